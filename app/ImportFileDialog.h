#pragma once

#include <QFileDialog>
#include <QString>
#include <QStringList>

// The import's open-file dialog: one existing file, in Qt's own dialog, which
// speaks the program's language wherever it runs. A typed name is opened as
// typed when such a file exists; only a name without an extension that does
// not exist is tried with the default suffix.
class CImportFileDialog : public QFileDialog {
    Q_OBJECT

public:
    CImportFileDialog(QWidget* parent, const QStringList& filters, const QString& defaultSuffix);

    // The file-name field, as the user types into it.
    QString TypedName() const;
    void SetTypedName(const QString& name);

public slots:
    void accept() override;

private:
    QString m_strSuffix;
};
