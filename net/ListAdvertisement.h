#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "net/HttpGetText.h"
#include "platform/Canvas.h"

// The advertisement list (control 1037): the items of the server's file,
// one 35-pixel row per item, a selection opening the item's link. This is
// the list's state and behaviour; app/ draws it in a widget through
// DrawItem and mirrors its rows.
//
// Threads: the arrays are read and written on the user-interface thread
// only. The download job calls the static DownloadToFile on copies of the
// two paths and hands over to the user-interface thread, which loads the
// local copy (LoadAndRemoveLocalCopy).
class CListAdvertisement {
public:
    static constexpr int kItemHeight = 35;
    static constexpr Color kBackColor = RGB(180, 255, 255);
    static constexpr Color kTitleColor = RGB(230, 10, 220);
    static constexpr Color kLineColor = RGB(255, 0, 0);
    static constexpr const char* kLocalFileName = "money.mon";
    static constexpr const char* kTitleFace = "隶书";

    // What a drawing request asks for, as an owner-drawn list box's.
    enum DrawAction : unsigned { kDrawEntire = 1, kDrawSelect = 2, kDrawFocus = 4 };

    CListAdvertisement() = default;
    virtual ~CListAdvertisement() = default;

    // The local copy in `programFolder` (ending in "/") and the address of
    // the file on the server ("" when there is no server).
    void SetPaths(const std::string& programFolder, const std::string& url);

    // Title and link of item `index`; both "" when there is no such item.
    virtual void GetItem(int index, std::string& title, std::string& link) const;
    // Appends to the four arrays, then the title as a new row.
    virtual void AddItem(const std::string& title, const std::string& link, int32_t value,
                         int32_t expiry);
    virtual void ClearItems();
    // Hands a web link to the desktop's browser; anything else (file:,
    // javascript:, program names, control bytes) is refused without a word.
    // True when the link was handed over.
    virtual bool OpenUrl(const std::string& link);
    virtual std::string HttpGetText(const std::string& address);
    // Parses the local copy into items; false (the list unchanged) when it
    // cannot be opened.
    virtual bool LoadFromFile();
    // Fetches m_strUrl into the local copy; false (nothing written) when the
    // fetch gives nothing.
    virtual bool DownloadToFile();
    // Download, load, delete the local copy; results ignored.
    virtual void Refresh();

    // DownloadToFile on given paths, for the download job: written to a
    // temporary beside the local copy and renamed over it, so no half-written
    // copy is ever left behind, also when `abort` ends the fetch.
    static bool DownloadToFile(const std::string& url, const std::string& localFile,
                               const HttpAbort& abort);
    // The part of Refresh after the download: load (a copy left over from an
    // earlier run as well), then delete the local copy.
    void LoadAndRemoveLocalCopy();

    // The selection moved to `row` (-1: none): opens that row's link. True
    // when a link was handed to the browser.
    bool OnSelchange(int row);

    // Draws row `index` (-1: no item) in `rc`; `activeCaption` is the
    // desktop's colour of an active window caption.
    void DrawItem(Canvas& dc, int index, const Rect& rc, unsigned action, bool selected,
                  Color activeCaption) const;

    int GetCount() const { return static_cast<int>(m_arrTitle.size()); }

    Color m_brushBack = kBackColor;
    std::string m_strLocalFile;
    std::string m_strUrl;
    std::vector<std::string> m_arrTitle;  // UTF-8
    std::vector<std::string> m_arrLink;
    std::vector<int32_t> m_arrValue;
    std::vector<int32_t> m_arrExpiry;

    // The view's side: the desktop's URL handler, and a call whenever the
    // rows have changed.
    std::function<void(const std::string&)> m_fnOpenUrl;
    std::function<void()> m_fnRowsChanged;

private:
    void RowsChanged() const {
        if (m_fnRowsChanged) m_fnRowsChanged();
    }
};
