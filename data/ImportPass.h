#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stop_token>
#include <string>

#include "data/HistoryHeader.h"
#include "data/PeriodConverter.h"
#include "data/SourceCheck.h"

// One import's single pass over the 44-byte records of a pair: the history
// and pair folders, the nine temporaries, the check of every record and the
// eight derived periods built from them, then the install as one generation
// (data/ImportGeneration.h). Whoever drives the pass puts the records into
// the M1 temporary (a copy of a native file, or records converted from a
// foreign one) and feeds the same records here.
// The answer for a source that fails the check: nothing written.
ImportResult RejectedImport(ImportResult result, const std::string& path, const SourceFault& fault,
                            RecordSource from = RecordSource::kHistory);

class CImportPass {
public:
    // `progress` (may be empty) gets a progress line every 1024 records,
    // computed against a source of `length` bytes; 0 leaves the progress to
    // whoever drives the pass.
    CImportPass(std::string sourcePath, std::string historyFolder, ImportProgressFn progress,
                std::uint64_t length, std::stop_token stop);
    ~CImportPass();
    CImportPass(const CImportPass&) = delete;
    CImportPass& operator=(const CImportPass&) = delete;

    // Creates the folders and the nine temporaries for a source whose header
    // and first record passed `check`, which then goes on checking the rest.
    // The M1 temporary is open for reading and writing and still empty.
    // False when something could not be created: Finish() then says what.
    bool Open(const HistoryHeader& header, const CSourceCheck& check);
    int M1() const;
    const std::string& Symbol() const;
    // Where the records come from, for the message about a bad one.
    void SetRecordSource(RecordSource from);

    // Checks and converts the next whole records at `data`; the bytes used,
    // which end early at a bad record or a cancel.
    std::size_t Feed(const unsigned char* data, std::size_t len);
    // A bad record, a cancel or a failed write: feed no more.
    bool Stopped() const;

    // How the records got into the M1 temporary.
    struct M1Outcome {
        bool copied = true;  // a copy of the source (else written from converted records)
        bool ok = true;
        int error = 0;
        bool readOk = true;  // reading the records back for the conversion
        int readError = 0;
    };
    // Closes the files and installs them, or removes everything this pass
    // created; what to tell the caller.
    ImportResult Finish(const M1Outcome& m1);

private:
    struct State;
    std::unique_ptr<State> m_p;
};
