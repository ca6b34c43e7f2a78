#include "desk/SavedRun.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <sstream>

#include "platform/Format.h"

namespace {

constexpr const char* kMagic = "TARVELLO-RUN";

std::uint64_t Fnv1a(const std::string& bytes) {
    std::uint64_t h = 1469598103934665603ull;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

// Bytes outside the printable range, and "%", as "%XX"; the empty text as a
// lone "%".
std::string Escape(const std::string& text) {
    if (text.empty()) return "%";
    std::string out;
    for (unsigned char c : text) {
        if (c <= 0x20 || c >= 0x7f || c == '%')
            out += FormatString("%%%02X", c);
        else
            out += static_cast<char>(c);
    }
    return out;
}

bool Unescape(const std::string& text, std::string* out) {
    out->clear();
    if (text == "%") return true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            *out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return false;
        char* end = nullptr;
        const std::string hex = text.substr(i + 1, 2);
        const long v = std::strtol(hex.c_str(), &end, 16);
        if (*end) return false;
        *out += static_cast<char>(v);
        i += 2;
    }
    return true;
}

class Writer {
public:
    Writer& Word(const std::string& w) {
        m_line += (m_line.empty() ? "" : " ") + w;
        return *this;
    }
    Writer& Int(long long v) { return Word(FormatString("%lld", v)); }
    Writer& Num(double v) { return Word(FormatString("%.17g", v)); }
    Writer& Text(const std::string& t) { return Word(Escape(t)); }
    void End() {
        m_out += m_line + "\n";
        m_line.clear();
    }
    const std::string& Out() const { return m_out; }

private:
    std::string m_out;
    std::string m_line;
};

class Reader {
public:
    explicit Reader(const std::string& body) : m_in(body) {}
    // The next line, which must start with `key`.
    bool Line(const char* key) {
        std::string line;
        if (!std::getline(m_in, line)) return false;
        m_words.clear();
        m_next = 0;
        std::istringstream words(line);
        for (std::string w; words >> w;) m_words.push_back(w);
        return !m_words.empty() && m_words[0] == key && (m_next = 1);
    }
    bool Int(long long* v, long long lo, long long hi) {
        if (m_next >= m_words.size()) return false;
        const std::string& w = m_words[m_next++];
        char* end = nullptr;
        errno = 0;
        const long long x = std::strtoll(w.c_str(), &end, 10);
        if (w.empty() || *end || errno || x < lo || x > hi) return false;
        *v = x;
        return true;
    }
    template <typename T>
    bool Int(T* v, long long lo, long long hi) {
        long long x = 0;
        if (!Int(&x, lo, hi)) return false;
        *v = static_cast<T>(x);
        return true;
    }
    bool Num(double* v) {
        if (m_next >= m_words.size()) return false;
        const std::string& w = m_words[m_next++];
        char* end = nullptr;
        *v = std::strtod(w.c_str(), &end);
        return !w.empty() && !*end;
    }
    bool Text(std::string* t) { return m_next < m_words.size() && Unescape(m_words[m_next++], t); }
    bool Done() const { return m_next == m_words.size(); }
    bool AtEnd() {
        std::string line;
        return !std::getline(m_in, line);
    }

private:
    std::istringstream m_in;
    std::vector<std::string> m_words;
    std::size_t m_next = 0;
};

constexpr long long kMaxInt = 2147483647LL;
constexpr long long kMinInt = -2147483647LL - 1;
constexpr long long kMaxCount = 100000000LL;

void PutBar(Writer& w, const BarRecord& b) {
    w.Int(b.time).Num(b.open).Num(b.low).Num(b.high).Num(b.close).Num(b.volume);
}

bool GetBar(Reader& r, BarRecord* b) {
    return r.Int(&b->time, kMinInt, kMaxInt) && r.Num(&b->open) && r.Num(&b->low) &&
           r.Num(&b->high) && r.Num(&b->close) && r.Num(&b->volume);
}

void PutOrder(Writer& w, const OrderRecord& o) {
    w.Word("order").Text(o.Symbol()).Int(o.nOpenTime).Int(o.nCloseTime).Num(o.fOpenPrice);
    w.Num(o.fClosePrice).Num(o.fCurPrice).Num(o.fOrderSize).Num(o.fprofit).Num(o.fReserved1);
    w.Num(o.fReserved2).Int(o.nDirection).Int(o.nCloseReason);
    w.End();
}

bool GetOrders(Reader& r, const char* key, std::vector<OrderRecord>* orders) {
    long long n = 0;
    if (!r.Line(key) || !r.Int(&n, 0, kMaxCount) || !r.Done()) return false;
    for (long long i = 0; i < n; ++i) {
        OrderRecord o;
        std::string symbol;
        if (!r.Line("order") || !r.Text(&symbol) || !r.Int(&o.nOpenTime, kMinInt, kMaxInt) ||
            !r.Int(&o.nCloseTime, kMinInt, kMaxInt) || !r.Num(&o.fOpenPrice) ||
            !r.Num(&o.fClosePrice) || !r.Num(&o.fCurPrice) || !r.Num(&o.fOrderSize) ||
            !r.Num(&o.fprofit) || !r.Num(&o.fReserved1) || !r.Num(&o.fReserved2) ||
            !r.Int(&o.nDirection, -1, 1) || !r.Int(&o.nCloseReason, 0, 2) || !r.Done())
            return false;
        o.SetSymbol(symbol);
        orders->push_back(o);
    }
    return true;
}

template <typename T>
void PutInts(Writer& w, const char* key, const std::vector<T>& v) {
    w.Word(key).Int(static_cast<long long>(v.size()));
    for (T x : v) w.Int(static_cast<long long>(x));
}

template <typename T>
bool GetInts(Reader& r, const char* key, std::vector<T>* v, long long lo, long long hi) {
    std::string word;
    long long n = 0;
    if (!r.Text(&word) || word != key || !r.Int(&n, 0, 1000)) return false;
    for (long long i = 0; i < n; ++i) {
        T x{};
        if (!r.Int(&x, lo, hi)) return false;
        v->push_back(x);
    }
    return true;
}

void PutPoints(Writer& w, const char* key, const std::vector<BarPoint>& v) {
    w.Word(key).Int(static_cast<long long>(v.size()));
    for (const BarPoint& p : v) w.Int(p.nIndex).Num(p.fValue);
}

bool GetPoints(Reader& r, const char* key, std::vector<BarPoint>* v) {
    std::string word;
    long long n = 0;
    if (!r.Text(&word) || word != key || !r.Int(&n, 0, 1000)) return false;
    for (long long i = 0; i < n; ++i) {
        BarPoint p;
        if (!r.Int(&p.nIndex, kMinInt, kMaxInt) || !r.Num(&p.fValue)) return false;
        v->push_back(p);
    }
    return true;
}

}  // namespace

std::string RunChecksumLine(const std::string& body) {
    return FormatString("end %016llx\n", static_cast<unsigned long long>(Fnv1a(body)));
}

std::string EncodeRun(const CSavedRun& run) {
    Writer w;
    w.Word(kMagic).Int(CSavedRun::kVersion).End();
    w.Word("symbol").Text(run.strSymbol).End();
    w.Word("view").Int(run.nPeriod).Int(run.nZoomLevel).Int(run.nChartType).End();
    w.Word("position").Int(run.nIndex).Int(run.nClock).Int(run.bHonest).End();
    w.Word("spread").Int(run.nSpread).End();
    w.Word("lastbar").Int(run.bHasLastBar);
    PutBar(w, run.lastBar);
    w.End();
    w.Word("open").Int(static_cast<long long>(run.arrOpenOrders.size())).End();
    for (const OrderRecord& o : run.arrOpenOrders) PutOrder(w, o);
    w.Word("closed").Int(static_cast<long long>(run.arrHstOrders.size())).End();
    for (const OrderRecord& o : run.arrHstOrders) PutOrder(w, o);
    const COrder::Totals& t = run.totals;
    w.Word("totals").Num(t.fFloatprofit).Num(t.fHstProfit).Int(t.nWinCount).Int(t.nLossCount).End();
    w.Word("stats").Num(run.fTotalMoney).Num(run.fTotalProfit).Num(run.fFloatProfit);
    w.Num(run.fProfitRate).Int(run.nWinOrders).Int(run.nLossOrders).End();
    w.Word("curve").Num(run.fBalance).Int(static_cast<long long>(run.arrBalance.size()));
    for (double v : run.arrBalance) w.Num(v);
    w.End();
    w.Word("rows").Int(static_cast<long long>(run.arrRows.size())).Int(run.nSelectedRow).End();
    for (const std::string& row : run.arrRows) w.Word("row").Text(row).End();
    w.Word("indicators").Int(static_cast<long long>(run.arrIndicators.size())).End();
    for (const CSavedRun::Indicator& ind : run.arrIndicators) {
        w.Word("indicator").Int(ind.nType).Int(ind.bOwnPane).Int(ind.nApplyTo);
        PutInts(w, "param", ind.arrParam);
        PutInts(w, "option", ind.arrOption);
        w.Word("real").Int(static_cast<long long>(ind.arrRealParam.size()));
        for (double v : ind.arrRealParam) w.Num(v);
        PutInts(w, "color", ind.arrColor);
        PutInts(w, "style", ind.arrStyle);
        PutInts(w, "width", ind.arrWidth);
        w.End();
    }
    w.Word("lines").Int(static_cast<long long>(run.arrLines.size())).End();
    for (const CSavedRun::Drawing& line : run.arrLines) {
        w.Word("line").Int(line.nType).Int(line.nPeriod).Int(line.bSelected);
        PutPoints(w, "anchors", line.arrAnchor);
        PutPoints(w, "handles", line.arrHandle);
        w.End();
    }
    w.Word("next").Num(run.fNextStopLoss).Num(run.fNextTakeProfit).End();
    const std::string body = w.Out();
    return body + RunChecksumLine(body);
}

RunFileError DecodeRun(const std::string& bytes, CSavedRun* out, int* version) {
    // The version first: a newer file may be laid out differently throughout.
    const std::size_t firstEnd = bytes.find('\n');
    {
        std::istringstream first(bytes.substr(0, firstEnd));
        std::string magic;
        long long v = 0;
        if (!(first >> magic) || magic != kMagic) return RunFileError::kNotARun;
        if (!(first >> v) || v < 1) return RunFileError::kDamaged;
        if (v > CSavedRun::kVersion) {
            *version = static_cast<int>(std::min<long long>(v, kMaxInt));
            return RunFileError::kNewer;
        }
    }
    // The checksum line closes the file; a cut file has none that fits.
    if (bytes.size() < 2 || bytes.back() != '\n') return RunFileError::kDamaged;
    const std::size_t last = bytes.rfind('\n', bytes.size() - 2);
    if (last == std::string::npos) return RunFileError::kDamaged;
    const std::string body = bytes.substr(0, last + 1);
    const std::string end = bytes.substr(last + 1);
    if (end != RunChecksumLine(body)) return RunFileError::kDamaged;

    CSavedRun run;
    Reader r(body);
    long long n = 0;
    bool ok = r.Line(kMagic) && r.Int(&n, 1, CSavedRun::kVersion) && r.Done();
    ok = ok && r.Line("symbol") && r.Text(&run.strSymbol) && r.Done() && !run.strSymbol.empty();
    ok = ok && r.Line("view") && r.Int(&run.nPeriod, 0, 8) && r.Int(&run.nZoomLevel, 0, 5) &&
         r.Int(&run.nChartType, 16, 18) && r.Done();
    ok = ok && r.Line("position") && r.Int(&run.nIndex, -1, kMaxInt) &&
         r.Int(&run.nClock, -1, kMaxInt) && r.Int(&run.bHonest, 0, 1) && r.Done();
    ok = ok && r.Line("spread") && r.Int(&run.nSpread, 0, 100000) && r.Done();
    ok = ok && r.Line("lastbar") && r.Int(&run.bHasLastBar, 0, 1) && GetBar(r, &run.lastBar) &&
         r.Done();
    ok =
        ok && GetOrders(r, "open", &run.arrOpenOrders) && GetOrders(r, "closed", &run.arrHstOrders);
    COrder::Totals& t = run.totals;
    ok = ok && r.Line("totals") && r.Num(&t.fFloatprofit) && r.Num(&t.fHstProfit) &&
         r.Int(&t.nWinCount, 0, kMaxInt) && r.Int(&t.nLossCount, 0, kMaxInt) && r.Done();
    ok = ok && r.Line("stats") && r.Num(&run.fTotalMoney) && r.Num(&run.fTotalProfit) &&
         r.Num(&run.fFloatProfit) && r.Num(&run.fProfitRate) &&
         r.Int(&run.nWinOrders, 0, kMaxInt) && r.Int(&run.nLossOrders, 0, kMaxInt) && r.Done();
    ok = ok && r.Line("curve") && r.Num(&run.fBalance) && r.Int(&n, 1, kMaxCount);
    for (long long i = 0; ok && i < n; ++i) {
        double v = 0.0;
        ok = r.Num(&v);
        run.arrBalance.push_back(v);
    }
    ok = ok && r.Done() && r.Line("rows") && r.Int(&n, 0, kMaxCount) &&
         r.Int(&run.nSelectedRow, -1, n - 1) && r.Done();
    for (long long i = 0; ok && i < n; ++i) {
        std::string row;
        ok = r.Line("row") && r.Text(&row) && r.Done();
        run.arrRows.push_back(row);
    }
    ok = ok && r.Line("indicators") && r.Int(&n, 0, 1000) && r.Done();
    for (long long i = 0; ok && i < n; ++i) {
        CSavedRun::Indicator ind;
        long long reals = 0;
        ok = r.Line("indicator") && r.Int(&ind.nType, 0, 6) && r.Int(&ind.bOwnPane, 0, 1) &&
             r.Int(&ind.nApplyTo, 0, 6) && GetInts(r, "param", &ind.arrParam, kMinInt, kMaxInt) &&
             GetInts(r, "option", &ind.arrOption, kMinInt, kMaxInt);
        std::string word;
        ok = ok && r.Text(&word) && word == "real" && r.Int(&reals, 0, 1000);
        for (long long k = 0; ok && k < reals; ++k) {
            double v = 0.0;
            ok = r.Num(&v);
            ind.arrRealParam.push_back(v);
        }
        ok = ok && GetInts(r, "color", &ind.arrColor, 0, 0xFFFFFFFFLL) &&
             GetInts(r, "style", &ind.arrStyle, 0, 5) && GetInts(r, "width", &ind.arrWidth, 0, 5) &&
             r.Done();
        run.arrIndicators.push_back(ind);
    }
    ok = ok && r.Line("lines") && r.Int(&n, 0, kMaxCount) && r.Done();
    for (long long i = 0; ok && i < n; ++i) {
        CSavedRun::Drawing line;
        ok = r.Line("line") && r.Int(&line.nType, 0, 3) && r.Int(&line.nPeriod, 0, 8) &&
             r.Int(&line.bSelected, 0, 1) && GetPoints(r, "anchors", &line.arrAnchor) &&
             GetPoints(r, "handles", &line.arrHandle) && r.Done();
        run.arrLines.push_back(line);
    }
    ok = ok && r.Line("next") && r.Num(&run.fNextStopLoss) && r.Num(&run.fNextTakeProfit) &&
         r.Done();
    // Nothing may follow but the checksum.
    ok = ok && r.AtEnd();
    if (!ok) return RunFileError::kDamaged;
    *out = std::move(run);
    return RunFileError::kNone;
}
