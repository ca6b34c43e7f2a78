#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "data/HistoryHeader.h"
#include "data/RecordBuffer.h"
#include "data/TextBars.h"
#include "platform/Files.h"

// A foreign history (60-byte records or a text export of bars) turned into
// 44-byte records on threads of their own, blocks ahead of the import pass
// that writes and checks them, so that reading, parsing and writing overlap
// and the records go from memory straight into the import. A text file is
// cut into stretches of lines that several threads (one a processor, at
// least two) parse at the same time; the blocks still come out in the
// file's order.
struct ConvertedBlock {
    CRecordBuffer records;
    std::uint64_t sourceDone = 0;  // bytes of the source up to the end of this block
    bool last = false;             // no block follows
    std::string failure;           // the source cannot be converted: what to tell the user

    // Filled by a text stretch's parser: its lines, and the line (counted
    // from 1 within the stretch) that failed with what was wrong.
    std::uint64_t lines = 0;
    std::uint64_t badLine = 0;
    std::string what;
};

class CForeignConversion {
public:
    enum class Kind { kHistory401, kText };

    // Bytes of the source one block covers.
    static constexpr std::uint64_t kStretch = 1u << 20;

    // Starts converting the regular file open as `fd` (owned from here on)
    // of `size` bytes, named `path` in messages. `symbol` names the pair of
    // a text file. Stops early when `stop` is requested. `stretch` (bytes
    // of the source a block covers, at least 1) is for tests of the cuts.
    CForeignConversion(Kind kind, int fd, std::uint64_t size, std::string path,
                       std::string symbol, std::stop_token stop,
                       std::uint64_t stretch = kStretch);
    // Stops the conversion where it is.
    ~CForeignConversion();
    CForeignConversion(const CForeignConversion&) = delete;
    CForeignConversion& operator=(const CForeignConversion&) = delete;

    // The next block in the file's order, once it is there; nullptr when
    // the conversion was stopped. A block that fails or is the last ends the
    // sequence.
    ConvertedBlock* Next();
    // Done with the block from Next: its room takes a later one.
    void Release(ConvertedBlock* block);

    // The header the records go under; known once Next gave a block.
    const HistoryHeader& Header() const { return m_header; }

private:
    // Blocks on the way, per worker: each can be this many ahead of the pass.
    static constexpr int kSlotsPerWorker = 4;
    struct Slot {
        ConvertedBlock block;
        std::uint64_t index = 0;
        bool ready = false;
        bool free = true;
    };

    void Run401(std::stop_token stop);
    // Text: the first worker finds the layout, then each of the m_nWorkers
    // parses every m_nWorkers-th stretch.
    void RunText(int worker, std::stop_token stop);
    bool FindLayout(std::stop_token stop);
    void ParseStretches(int worker, std::stop_token stop);
    bool ParseStretch(CTextBars& bars, std::uint64_t begin, std::uint64_t end, bool atLine,
                      std::vector<char>& buf, ConvertedBlock& b);
    // The slot for block `index`, emptied, once the block a round of slots before
    // it has been released; nullptr when stopped.
    ConvertedBlock* Take(std::uint64_t index, std::stop_token stop);
    void Publish(std::uint64_t index);
    void WorkerDone();
    std::string Prefix() const;

    Kind m_kind;
    files::UniqueFd m_fd;
    std::uint64_t m_nSize;
    std::string m_strPath;
    std::string m_strSymbol;
    HistoryHeader m_header;

    // Text: the layout, set once by the first worker; the stretches start
    // at m_nDataStart, after m_nLinesBefore lines.
    CTextBars m_layout;
    std::uint64_t m_nDataStart = 0;
    std::uint64_t m_nLinesBefore = 0;
    std::uint64_t m_nStretch;
    std::uint64_t m_nStretches = 0;
    bool m_bLayoutDone = false;  // the first worker has looked (set under the mutex)
    bool m_bLayout = false;      // and found it: the fields above are known

    std::mutex m_mutex;
    std::condition_variable_any m_cv;
    std::vector<Slot> m_slots;
    std::uint64_t m_nNext = 0;       // the block Next gives next
    std::uint64_t m_nLinesTaken = 0;  // lines of the blocks given so far
    std::uint64_t m_nDone = 0;        // the furthest sourceDone given so far
    int m_nWorkers = 0;
    int m_nWorkersDone = 0;
    std::stop_source m_stop;
    std::stop_callback<std::function<void()>> m_onStop;
    std::vector<std::jthread> m_workers;  // last: they start once everything above is there
};
