#include "cli/CliCommands.h"

#include <cerrno>
#include <cstdlib>
#include <ostream>

#include "cli/Session.h"
#include "data/HistoryFile.h"
#include "data/HistoryLocation.h"
#include "data/PeriodConverter.h"
#include "data/SourceFormats.h"
#include "data/SampleHistory.h"
#include "platform/Format.h"
#include "trainer/TrainerTime.h"
#include "window/HeadlessPort.h"
#include "window/TarvelloWindow.h"

namespace {

const char* const kUsage =
    "usage:\n"
    "  tarvello-cli sample OUT.hst [--symbol EURUSD] [--bars N] [--seed S] [--price P]\n"
    "  tarvello-cli import FILE [--history DIR] [--symbol NAME]\n"
    "  tarvello-cli history                   (prints the trainer's history folder)\n"
    "  tarvello-cli pairs [--history DIR]     (prints the pairs the trainer lists)\n"
    "  tarvello-cli session [--history DIR]   (commands on standard input)\n";

// Parses "--name value" options after the positional arguments.
class Options {
public:
    Options(const std::vector<std::string>& args, std::size_t first) {
        for (std::size_t i = first; i < args.size(); ++i) {
            if (args[i].rfind("--", 0) == 0 && i + 1 < args.size()) {
                m_values.emplace_back(args[i].substr(2), args[i + 1]);
                ++i;
            } else {
                m_bad = args[i];
                return;
            }
        }
    }
    const std::string& Bad() const { return m_bad; }
    const std::string* Get(const std::string& name) const {
        const std::string* found = nullptr;
        for (const auto& [k, v] : m_values)
            if (k == name) found = &v;
        return found;
    }
    // Names not in `known`, or "".
    std::string Unknown(std::initializer_list<const char*> known) const {
        for (const auto& [k, v] : m_values) {
            bool ok = false;
            for (const char* n : known) ok = ok || k == n;
            if (!ok) return std::string("--").append(k);
        }
        return "";
    }

private:
    std::vector<std::pair<std::string, std::string>> m_values;
    std::string m_bad;
};

bool ParseUnsigned(const std::string& text, std::uint64_t* value) {
    if (text.empty() || text[0] == '-') return false;
    errno = 0;
    char* end = nullptr;
    unsigned long long v = std::strtoull(text.c_str(), &end, 10);
    if (errno || *end) return false;
    *value = v;
    return true;
}

int Sample(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() < 2) {
        err << kUsage;
        return 2;
    }
    Options opts(args, 2);
    std::string unknown = opts.Unknown({"symbol", "bars", "seed", "price"});
    if (!opts.Bad().empty() || !unknown.empty()) {
        err << "tarvello-cli sample: unexpected argument "
            << (unknown.empty() ? opts.Bad() : unknown) << "\n"
            << kUsage;
        return 2;
    }
    SampleOptions sample;
    if (auto* v = opts.Get("symbol")) sample.symbol = *v;
    // Another pair is another walk at its own price level, unless told.
    sample.seed = SampleSeedFor(sample.symbol);
    sample.price = SamplePriceFor(sample.symbol);
    if (auto* v = opts.Get("bars"); v && !ParseUnsigned(*v, &sample.bars)) {
        err << "tarvello-cli sample: --bars needs a whole number, not '" << *v << "'\n";
        return 2;
    }
    if (auto* v = opts.Get("seed"); v && !ParseUnsigned(*v, &sample.seed)) {
        err << "tarvello-cli sample: --seed needs a whole number, not '" << *v << "'\n";
        return 2;
    }
    if (auto* v = opts.Get("price")) {
        char* end = nullptr;
        sample.price = std::strtod(v->c_str(), &end);
        if (v->empty() || *end || !(sample.price > 0.0)) {
            err << "tarvello-cli sample: --price needs a number above 0, not '" << *v << "'\n";
            return 2;
        }
    }
    std::string error;
    if (!WriteSampleHistory(args[1], sample, &error)) {
        err << "tarvello-cli sample: " << args[1] << ": " << error << "\n";
        return 1;
    }
    out << args[1] << ": " << sample.symbol << ", " << sample.bars << " one-minute bars";
    if (sample.bars > 0)
        out << " from " << FormatBarTime(static_cast<std::int32_t>(SampleFirstBarTime(sample)))
            << " to " << FormatBarTime(static_cast<std::int32_t>(SampleLastBarTime(sample)))
            << " UTC";
    out << ", seed " << sample.seed << ", starting price " << FormatString("%g", sample.price)
        << "\n";
    return 0;
}

std::string HistoryOption(const Options& opts) {
    // The folder the trainer beside this tool uses.
    std::string history = DefaultHistoryFolder(GetProgramFolder());
    if (auto* v = opts.Get("history")) {
        history = v->empty() ? std::string("./") : *v;
        if (history.back() != '/') history.push_back('/');
    }
    return history;
}

int Import(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() < 2) {
        err << kUsage;
        return 2;
    }
    Options opts(args, 2);
    std::string unknown = opts.Unknown({"history", "symbol"});
    if (!opts.Bad().empty() || !unknown.empty()) {
        err << "tarvello-cli import: unexpected argument "
            << (unknown.empty() ? opts.Bad() : unknown) << "\n"
            << kUsage;
        return 2;
    }
    const std::string* symbol = opts.Get("symbol");
    ImportResult result =
        ImportHistorySource(args[1], HistoryOption(opts), nullptr, {}, symbol ? *symbol : "");
    switch (result.status) {
        case ImportResult::Status::kOk:
            out << result.symbol << "\n";
            return 0;
        case ImportResult::Status::kCannotOpen:
            err << "tarvello-cli import: cannot open " << args[1] << "\n";
            return 1;
        default:
            err << "tarvello-cli import: " << result.message << "\n";
            return 1;
    }
}

// The history folder, and the pairs a trainer started on it would list (after
// finishing or undoing what killed imports left).
int History(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            bool pairs) {
    Options opts(args, 1);
    std::string unknown = opts.Unknown({"history"});
    if (!opts.Bad().empty() || !unknown.empty() || (!pairs && opts.Get("history"))) {
        err << "tarvello-cli " << args[0] << ": unexpected argument "
            << (unknown.empty() ? (opts.Bad().empty() ? "--history" : opts.Bad()) : unknown) << "\n"
            << kUsage;
        return 2;
    }
    const std::string history = HistoryOption(opts);
    if (!pairs) {
        out << history << "\n";
        return 0;
    }
    CHeadlessPort port;
    bool failed = false;
    port.m_onMessage = [&](const std::string& text) {
        err << "tarvello-cli pairs: " << text << "\n";
        failed = true;
    };
    CTarvelloWindow window(port, "", history);
    window.OnInitDialog();
    for (const auto& item : window.m_comboCurrency.Items()) out << item << "\n";
    return failed ? 1 : 0;
}

int Session(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
            std::ostream& err, const ImageWriterFn& writer) {
    Options opts(args, 1);
    std::string unknown = opts.Unknown({"history"});
    if (!opts.Bad().empty() || !unknown.empty()) {
        err << "tarvello-cli session: unexpected argument "
            << (unknown.empty() ? opts.Bad() : unknown) << "\n"
            << kUsage;
        return 2;
    }
    return RunSession(HistoryOption(opts), in, out, writer);
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
           std::ostream& err, const ImageWriterFn& writer) {
    if (args.empty()) {
        err << kUsage;
        return 2;
    }
    if (args[0] == "sample") return Sample(args, out, err);
    if (args[0] == "import") return Import(args, out, err);
    if (args[0] == "session") return Session(args, in, out, err, writer);
    if (args[0] == "history") return History(args, out, err, false);
    if (args[0] == "pairs") return History(args, out, err, true);
    if (args[0] == "--help" || args[0] == "help") {
        out << kUsage;
        return 0;
    }
    err << "tarvello-cli: unknown command '" << args[0] << "'\n" << kUsage;
    return 2;
}
