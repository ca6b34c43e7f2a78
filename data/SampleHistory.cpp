#include "data/SampleHistory.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "data/BarRecord.h"
#include "data/Endian.h"
#include "data/HistoryHeader.h"
#include "platform/Files.h"

namespace {

// splitmix64 seeding a xoshiro256**: small, fast, and the same on every
// platform (unlike the standard library's distributions).
class Rng {
public:
    explicit Rng(std::uint64_t seed) {
        for (auto& s : m_s) {
            seed += 0x9E3779B97F4A7C15ull;
            std::uint64_t z = seed;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            s = z ^ (z >> 31);
        }
    }
    std::uint64_t Next() {
        const std::uint64_t result = Rotl(m_s[1] * 5, 7) * 9;
        const std::uint64_t t = m_s[1] << 17;
        m_s[2] ^= m_s[0];
        m_s[3] ^= m_s[1];
        m_s[1] ^= m_s[2];
        m_s[0] ^= m_s[3];
        m_s[2] ^= t;
        m_s[3] = Rotl(m_s[3], 45);
        return result;
    }
    // Uniform in (0, 1).
    double Uniform() { return (static_cast<double>(Next() >> 11) + 0.5) * 0x1.0p-53; }
    // Standard normal (Box-Muller, one value per call).
    double Normal() {
        const double u = Uniform(), v = Uniform();
        return std::sqrt(-2.0 * std::log(u)) * std::cos(6.283185307179586 * v);
    }

private:
    static std::uint64_t Rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    std::uint64_t m_s[4];
};

constexpr std::int32_t kWeek = 7 * 86400;
// Seconds since 1970-01-01 (a Thursday) of Friday 22:00 within a week.
constexpr std::int32_t kFridayClose = 1 * 86400 + 22 * 3600;
constexpr std::int32_t kWeekendLength = 2 * 86400;

// Skips the weekend: from Friday 22:00 UTC the market reopens Sunday 22:00.
std::int64_t SkipWeekend(std::int64_t t) {
    std::int64_t inWeek = ((t % kWeek) + kWeek) % kWeek;  // 0 = Thursday 00:00
    if (inWeek >= kFridayClose && inWeek < kFridayClose + kWeekendLength)
        t += kFridayClose + kWeekendLength - inWeek;
    return t;
}

// Trading seconds: the time line without the weekends, in which consecutive
// bars lie 60 apart. Both directions take weekday times (after SkipWeekend).
constexpr std::int64_t kTradingWeek = kWeek - kWeekendLength;
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - (a % b < 0 ? 1 : 0);
}
std::int64_t ToTrading(std::int64_t t) {
    const std::int64_t week = FloorDiv(t, kWeek);
    const std::int64_t inWeek = t - week * kWeek;
    return week * kTradingWeek + (inWeek < kFridayClose ? inWeek : inWeek - kWeekendLength);
}
std::int64_t FromTrading(std::int64_t trading) {
    const std::int64_t week = FloorDiv(trading, kTradingWeek);
    const std::int64_t inWeek = trading - week * kTradingWeek;
    return week * kWeek + (inWeek < kFridayClose ? inWeek : inWeek + kWeekendLength);
}

// Relative activity by hour of day (UTC): quiet in Asia, busy in the London
// and New York sessions.
double Activity(std::int64_t t) {
    static const double kHour[24] = {0.55, 0.5, 0.5, 0.5, 0.55, 0.6, 0.7, 0.9,
                                     1.2,  1.3, 1.2, 1.1, 1.2, 1.5, 1.6, 1.5,
                                     1.3,  1.1, 0.9, 0.8, 0.7, 0.6, 0.55, 0.55};
    int hour = ((t % 86400) + 86400) % 86400 / 3600;
    return kHour[hour];
}

}  // namespace

std::int64_t SampleFirstBarTime(const SampleOptions& o) {
    return SkipWeekend(o.startTime - o.startTime % 60);
}

std::int64_t SampleLastBarTime(const SampleOptions& o) {
    const std::int64_t first = SampleFirstBarTime(o);
    if (o.bars <= 1) return first;
    // Past any time a file can hold; keeps the product below from overflowing.
    if (o.bars > (std::uint64_t{1} << 40)) return std::int64_t{1} << 50;
    return FromTrading(ToTrading(first) + 60 * static_cast<std::int64_t>(o.bars - 1));
}

std::uint64_t SampleMaxBars(const SampleOptions& o) {
    const std::int64_t first = SampleFirstBarTime(o);
    if (first > std::numeric_limits<std::int32_t>::max()) return 0;
    // The newest trading minute at or before the last second a file can hold.
    std::int64_t last = std::numeric_limits<std::int32_t>::max();
    last -= ((last - first) % 60 + 60) % 60;
    while (FromTrading(ToTrading(last)) != last) last -= 60;  // inside a weekend
    return static_cast<std::uint64_t>((ToTrading(last) - ToTrading(first)) / 60 + 1);
}

std::uint64_t SampleSeedFor(const std::string& symbol) {
    // FNV-1a: small and the same everywhere.
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (unsigned char c : symbol) h = (h ^ c) * 0x100000001b3ull;
    return h;
}

double SamplePriceFor(const std::string& symbol) {
    static const std::pair<const char*, double> kLevels[] = {
        {"EURUSD", 1.10},  {"GBPUSD", 1.27},   {"USDJPY", 150.0}, {"USDCHF", 0.90},
        {"AUDUSD", 0.66},  {"NZDUSD", 0.61},   {"USDCAD", 1.36},  {"EURGBP", 0.86},
        {"EURJPY", 160.0}, {"GBPJPY", 190.0},  {"EURCHF", 0.95},  {"AUDJPY", 98.0},
        {"CHFJPY", 170.0}, {"CADJPY", 110.0},  {"NZDJPY", 90.0},  {"EURAUD", 1.65},
        {"EURCAD", 1.48},  {"GBPCHF", 1.12},   {"GBPAUD", 1.92},  {"AUDCAD", 0.90},
        {"AUDNZD", 1.09},  {"XAUUSD", 2000.0}, {"XAGUSD", 24.0},
    };
    std::string name;
    for (unsigned char c : symbol) name.push_back(static_cast<char>(std::toupper(c)));
    for (const auto& [pair, level] : kLevels)
        if (name == pair) return level;
    // A level of its own for any other name, from the same hash as its seed.
    const double u = static_cast<double>(SampleSeedFor(name) >> 11) * 0x1.0p-53;
    if (name.size() >= 3 && name.compare(name.size() - 3, 3, "JPY") == 0)
        return std::round((80.0 + 40.0 * u) * 100.0) / 100.0;
    return std::round((0.5 + 1.5 * u) * 10000.0) / 10000.0;
}

bool WriteSampleHistory(const std::string& path, const SampleOptions& o, std::string* error) {
    if (o.symbol.empty() || o.symbol.size() > HistoryHeader::kSymbolSize) {
        if (error) *error = "the symbol must have 1 to 12 characters";
        return false;
    }
    if (!(o.price > 0.0) || !std::isfinite(o.price)) {
        if (error) *error = "the price must be a positive number";
        return false;
    }
    if (o.bars > SampleMaxBars(o)) {
        if (error)
            *error =
                "the bars would run past 2038-01-19 03:14:07 UTC, the last time a history "
                "file can hold; at most " +
                std::to_string(SampleMaxBars(o)) + " bars fit";
        return false;
    }
    // Pip grid and spread of typical quotes: 5 decimals below 20, else 3.
    const int digits = o.price < 20.0 ? 5 : 3;
    const double tick = std::pow(10.0, -digits);
    auto round = [&](double v) { return std::round(v / tick) * tick; };

    HistoryHeader header;
    // Version 400: the format of 44-byte records (401 has 60-byte ones).
    le::Store(header.bytes.data(), std::int32_t{400});
    const char copyright[] = "Tarvello synthetic sample";
    std::memcpy(header.bytes.data() + 4, copyright, sizeof copyright - 1);
    header.SetSymbol(o.symbol);
    header.SetPeriod(1);
    le::Store(header.bytes.data() + 84, std::int32_t{digits});

    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (error) *error = "cannot write: " + files::ErrorText(errno);
        return false;
    }
    std::vector<unsigned char> buf(header.bytes.begin(), header.bytes.end());
    buf.reserve(1 << 20);
    bool ok = true;
    auto flush = [&] {
        std::size_t done = 0;
        while (ok && done < buf.size()) {
            ssize_t n = ::write(fd, buf.data() + done, buf.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                ok = false;
                if (error) *error = "cannot write: " + files::ErrorText(n < 0 ? errno : EIO);
            } else {
                done += static_cast<std::size_t>(n);
            }
        }
        buf.clear();
    };

    Rng rng(o.seed);
    // Volatility per minute as a fraction of the price (about 7% a year),
    // with GARCH-like clustering in `var`.
    const double baseVol = 0.00011;
    double var = baseVol * baseVol;
    double logPrice = std::log(o.price);
    double close = round(o.price);
    std::int64_t t = SampleFirstBarTime(o);
    for (std::uint64_t i = 0; i < o.bars; ++i) {
        const double act = Activity(t);
        const double sigma = std::sqrt(var) * act;
        const double shock = rng.Normal();
        // A mild pull keeps very long samples within a plausible band.
        const double drift = -0.000002 * (logPrice - std::log(o.price));
        logPrice += drift + sigma * shock;
        var = 0.94 * var + 0.05 * (sigma * shock) * (sigma * shock) / (act * act) +
              0.01 * baseVol * baseVol;

        BarRecord bar;
        bar.time = static_cast<std::int32_t>(t);  // fits: checked above
        // Opens at the previous close, now and then a tick away from it.
        const double gap = rng.Uniform() < 0.15 ? (rng.Uniform() < 0.5 ? -tick : tick) : 0.0;
        bar.open = round(close + gap);
        bar.close = round(std::exp(logPrice));
        const double wick = std::exp(logPrice) * sigma;
        bar.high = round(std::max(bar.open, bar.close) + std::fabs(rng.Normal()) * wick * 0.6);
        bar.low = round(std::min(bar.open, bar.close) - std::fabs(rng.Normal()) * wick * 0.6);
        if (bar.low <= 0.0) bar.low = tick;
        bar.volume = std::floor(20.0 + act * 60.0 * (0.5 + rng.Uniform()) *
                                           (sigma / (baseVol * act + 1e-12)));
        close = bar.close;

        std::size_t at = buf.size();
        buf.resize(at + BarRecord::kSize);
        bar.Encode(buf.data() + at);
        if (buf.size() >= (1u << 20)) flush();
        if (!ok) break;
        t = SkipWeekend(t + 60);
    }
    if (ok) flush();
    if (::close(fd) != 0 && ok) {
        ok = false;
        if (error) *error = "cannot write: " + files::ErrorText(errno);
    }
    return ok;
}
