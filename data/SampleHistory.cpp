#include "data/SampleHistory.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
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
std::int32_t SkipWeekend(std::int32_t t) {
    std::int32_t inWeek = ((t % kWeek) + kWeek) % kWeek;  // 0 = Thursday 00:00
    if (inWeek >= kFridayClose && inWeek < kFridayClose + kWeekendLength)
        t += kFridayClose + kWeekendLength - inWeek;
    return t;
}

// Relative activity by hour of day (UTC): quiet in Asia, busy in the London
// and New York sessions.
double Activity(std::int32_t t) {
    static const double kHour[24] = {0.55, 0.5, 0.5, 0.5, 0.55, 0.6, 0.7, 0.9,
                                     1.2,  1.3, 1.2, 1.1, 1.2, 1.5, 1.6, 1.5,
                                     1.3,  1.1, 0.9, 0.8, 0.7, 0.6, 0.55, 0.55};
    int hour = ((t % 86400) + 86400) % 86400 / 3600;
    return kHour[hour];
}

}  // namespace

bool WriteSampleHistory(const std::string& path, const SampleOptions& o, std::string* error) {
    if (o.symbol.empty() || o.symbol.size() > HistoryHeader::kSymbolSize) {
        if (error) *error = "the symbol must have 1 to 12 characters";
        return false;
    }
    if (!(o.price > 0.0) || !std::isfinite(o.price)) {
        if (error) *error = "the price must be a positive number";
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
        if (error) *error = files::ErrorText(errno);
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
                if (error) *error = files::ErrorText(n < 0 ? errno : EIO);
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
    std::int32_t t = SkipWeekend(o.startTime - o.startTime % 60);
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
        bar.time = t;
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
        if (error) *error = files::ErrorText(errno);
    }
    return ok;
}
