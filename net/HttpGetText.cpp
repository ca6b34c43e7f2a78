#include "net/HttpGetText.h"

#include <curl/curl.h>

#include <mutex>

namespace {

constexpr const char* kAgent = "MSDN SurfBear";
// An unreachable host must not hold anything up for long: a few seconds to
// connect and a few more for the whole transfer.
constexpr long kConnectTimeoutMs = 3000;
constexpr long kTotalTimeoutMs = 8000;
// The server's files are small; anything past this is refused rather than
// held in memory.
constexpr std::size_t kMaxBody = std::size_t{64} << 20;
// How often a waiting transfer looks at its abort request.
constexpr int kPollMs = 20;

struct Transfer {
    std::string body;
    const HttpAbort* abort = nullptr;
};

size_t OnData(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    if (t->body.size() + bytes > kMaxBody) return 0;  // ends the transfer with an error
    t->body.append(data, bytes);
    return bytes;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* t = static_cast<const Transfer*>(user);
    return (t->abort && *t->abort && (*t->abort)()) ? 1 : 0;
}

class CEasy {
public:
    CEasy(const std::string& address, Transfer& transfer) : m_p(curl_easy_init()) {
        if (!m_p) return;
        curl_easy_setopt(m_p, CURLOPT_URL, address.c_str());
        curl_easy_setopt(m_p, CURLOPT_USERAGENT, kAgent);
        curl_easy_setopt(m_p, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(m_p, CURLOPT_MAXREDIRS, 5L);
        // Only web addresses, also after a redirect: a downloaded or
        // configured address never reads a local file.
#if LIBCURL_VERSION_NUM >= 0x075500
        curl_easy_setopt(m_p, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(m_p, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
#else
        curl_easy_setopt(m_p, CURLOPT_PROTOCOLS, long{CURLPROTO_HTTP | CURLPROTO_HTTPS});
        curl_easy_setopt(m_p, CURLOPT_REDIR_PROTOCOLS, long{CURLPROTO_HTTP | CURLPROTO_HTTPS});
#endif
        curl_easy_setopt(m_p, CURLOPT_CONNECTTIMEOUT_MS, kConnectTimeoutMs);
        curl_easy_setopt(m_p, CURLOPT_TIMEOUT_MS, kTotalTimeoutMs);
        curl_easy_setopt(m_p, CURLOPT_NOSIGNAL, 1L);
#if LIBCURL_VERSION_NUM >= 0x075700
        // An aborted name lookup is left behind instead of waited for.
        curl_easy_setopt(m_p, CURLOPT_QUICK_EXIT, 1L);
#endif
        // Always from the server, never from a cache on the way.
        m_pHeaders = curl_slist_append(m_pHeaders, "Cache-Control: no-cache");
        m_pHeaders = curl_slist_append(m_pHeaders, "Pragma: no-cache");
        curl_easy_setopt(m_p, CURLOPT_HTTPHEADER, m_pHeaders);
        curl_easy_setopt(m_p, CURLOPT_WRITEFUNCTION, OnData);
        curl_easy_setopt(m_p, CURLOPT_WRITEDATA, &transfer);
        curl_easy_setopt(m_p, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(m_p, CURLOPT_XFERINFOFUNCTION, OnProgress);
        curl_easy_setopt(m_p, CURLOPT_XFERINFODATA, &transfer);
    }
    ~CEasy() {
        if (m_p) curl_easy_cleanup(m_p);
        curl_slist_free_all(m_pHeaders);
    }
    CEasy(const CEasy&) = delete;
    CEasy& operator=(const CEasy&) = delete;

    CURL* Get() const {
        return m_p;
    }

    // Runs the transfer in small waits, so that an abort is seen within a
    // few milliseconds even while the server sends nothing at all.
    CURLcode Perform(const HttpAbort& abort) {
        CURLM* multi = curl_multi_init();
        if (!multi) return CURLE_FAILED_INIT;
        curl_multi_add_handle(multi, m_p);
        CURLcode result = CURLE_FAILED_INIT;
        for (;;) {
            int running = 0;
            if (curl_multi_perform(multi, &running) != CURLM_OK) break;
            if (running == 0) {
                int left = 0;
                while (CURLMsg* msg = curl_multi_info_read(multi, &left))
                    if (msg->msg == CURLMSG_DONE) result = msg->data.result;
                break;
            }
            if (abort && abort()) {
                result = CURLE_ABORTED_BY_CALLBACK;
                break;
            }
            if (curl_multi_poll(multi, nullptr, 0, kPollMs, nullptr) != CURLM_OK) break;
        }
        curl_multi_remove_handle(multi, m_p);
        curl_multi_cleanup(multi);
        return result;
    }

private:
    CURL* m_p;
    curl_slist* m_pHeaders = nullptr;
};

}  // namespace

bool InitHttp() {
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] { ok = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
    return ok;
}

std::string HttpGetText(const std::string& address, const HttpAbort& abort) {
    if (address.empty() || !InitHttp()) return "";
    Transfer transfer;
    transfer.abort = &abort;
    CEasy easy(address, transfer);
    if (!easy.Get()) return "";
    // An error page is no file of ours.
    curl_easy_setopt(easy.Get(), CURLOPT_FAILONERROR, 1L);
    if (easy.Perform(abort) != CURLE_OK) return "";
    return std::move(transfer.body);
}

bool CheckConnection(const std::string& address, const HttpAbort& abort) {
    if (address.empty() || !InitHttp()) return false;
    Transfer transfer;
    transfer.abort = &abort;
    CEasy easy(address, transfer);
    if (!easy.Get()) return false;
    // The headers are enough: whatever the site answers, it was reached.
    curl_easy_setopt(easy.Get(), CURLOPT_NOBODY, 1L);
    return easy.Perform(abort) == CURLE_OK;
}
