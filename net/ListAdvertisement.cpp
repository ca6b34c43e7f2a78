#include "net/ListAdvertisement.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <ctime>

#include "net/OnlineParse.h"
#include "platform/Files.h"

namespace {

// The whole local copy; a pipe or a device in its place is not read.
bool ReadWholeFile(const std::string& path, std::string* bytes) {
    files::OpenedFile f = files::OpenRegularForRead(path);
    if (f.result != files::OpenResult::kOk) return false;
    bytes->clear();
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(f.fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        bytes->append(buffer, static_cast<size_t>(n));
    }
    ::close(f.fd);
    return true;
}

// Through a temporary of this process and thread, renamed over `path`.
bool WriteFileAtomically(const std::string& path, const std::string& bytes) {
    static std::atomic<unsigned> counter{0};
    const std::string tmp =
        path + ".part-" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
    FILE* f = std::fopen(tmp.c_str(), "wb");
    if (f == nullptr) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0) ok = false;
    if (ok && std::rename(tmp.c_str(), path.c_str()) != 0) ok = false;
    if (!ok) std::remove(tmp.c_str());
    return ok;
}

}  // namespace

void CListAdvertisement::SetPaths(const std::string& programFolder, const std::string& url) {
    m_strLocalFile = programFolder + kLocalFileName;
    m_strUrl = url;
}

void CListAdvertisement::GetItem(int index, std::string& title, std::string& link) const {
    if (index >= 0 && index < static_cast<int>(m_arrTitle.size()) &&
        index < static_cast<int>(m_arrLink.size())) {
        title = m_arrTitle[static_cast<size_t>(index)];
        link = m_arrLink[static_cast<size_t>(index)];
        return;
    }
    title.clear();
    link.clear();
}

void CListAdvertisement::AddItem(const std::string& title, const std::string& link, int32_t value,
                                 int32_t expiry) {
    m_arrTitle.push_back(title);
    m_arrLink.push_back(link);
    m_arrValue.push_back(value);
    m_arrExpiry.push_back(expiry);
    RowsChanged();
}

void CListAdvertisement::ClearItems() {
    m_arrTitle.clear();
    m_arrLink.clear();
    m_arrValue.clear();
    m_arrExpiry.clear();
    RowsChanged();
}

bool CListAdvertisement::OpenUrl(const std::string& link) {
    if (!IsOpenableLink(link)) return false;
    if (m_fnOpenUrl) m_fnOpenUrl(link);
    return true;
}

std::string CListAdvertisement::HttpGetText(const std::string& address) {
    return ::HttpGetText(address);
}

bool CListAdvertisement::LoadFromFile() {
    std::string bytes;
    if (!ReadWholeFile(m_strLocalFile, &bytes)) return false;
    const std::vector<AdvertisementItem> items =
        ParseAdvertisementFile(bytes, static_cast<int64_t>(std::time(nullptr)));
    ClearItems();
    for (const AdvertisementItem& item : items)
        AddItem(item.m_strTitle, item.m_strLink, item.m_nValue, item.m_nExpiry);
    return true;
}

bool CListAdvertisement::DownloadToFile() {
    const std::string text = HttpGetText(m_strUrl);
    return !text.empty() && WriteFileAtomically(m_strLocalFile, text);
}

bool CListAdvertisement::DownloadToFile(const std::string& url, const std::string& localFile,
                                        const HttpAbort& abort) {
    const std::string text = ::HttpGetText(url, abort);
    if (text.empty() || (abort && abort())) return false;
    return WriteFileAtomically(localFile, text);
}

void CListAdvertisement::LoadAndRemoveLocalCopy() {
    LoadFromFile();
    std::remove(m_strLocalFile.c_str());
}

void CListAdvertisement::Refresh() {
    DownloadToFile();
    LoadAndRemoveLocalCopy();
}

bool CListAdvertisement::OnSelchange(int row) {
    if (row < 0) return false;
    std::string title, link;
    GetItem(row, title, link);
    return OpenUrl(link);
}

void CListAdvertisement::DrawItem(Canvas& dc, int index, const Rect& rc, unsigned action,
                                  bool selected, Color activeCaption) const {
    if (action & (kDrawEntire | kDrawSelect)) {
        // The selection leaves the bottom two rows, where the red line lies.
        if (selected)
            dc.FillSolidRect(Rect{rc.left, rc.top, rc.right, rc.bottom - 2}, activeCaption);
        else
            dc.FillSolidRect(rc, m_brushBack);
    }
    if (index == -1) return;
    std::string title, link;
    GetItem(index, title, link);
    FontDesc font;
    font.face = kTitleFace;
    font.height = static_cast<int>(rc.Height() * 0.8);
    font.width = TitleFontWidth(GbkByteLength(title), rc.Width());
    dc.SetFont(font);
    dc.SetBkOpaque(false);
    dc.SetTextColor(kTitleColor);
    const Size extent = dc.GetTextExtent(title);
    dc.TextOut(rc.left + (rc.Width() - extent.cx) / 2, rc.top, title);
    dc.SetPen(kPenSolid, 2, kLineColor);
    dc.MoveTo(rc.left + 10, rc.bottom - 2);
    dc.LineTo(rc.right - 10, rc.bottom - 2);
    dc.SetFont(FontDesc{});
}
