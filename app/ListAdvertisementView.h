#pragma once

#include <QListWidget>

class CListAdvertisement;

// Control 1037: the advertisement list as an owner-drawn list box. Rows are
// mirrored from the list's state and drawn by its DrawItem; a selection,
// by mouse or keyboard, opens the row's link through the desktop's URL
// handler (web links only, see CListAdvertisement::OpenUrl).
class CListAdvertisementView : public QListWidget {
    Q_OBJECT

public:
    CListAdvertisementView(CListAdvertisement& list, QWidget* parent);

    // Rebuilds the rows from the list's titles.
    void Mirror();

private:
    CListAdvertisement& m_list;
};
