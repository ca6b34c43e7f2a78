#include "app/ImportFileDialog.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>

namespace {
// The file-name field of Qt's own file dialog.
const char* const kNameEdit = "fileNameEdit";
}  // namespace

CImportFileDialog::CImportFileDialog(QWidget* parent, const QStringList& filters,
                                     const QString& defaultSuffix)
    : QFileDialog(parent, QStringLiteral("打开")), m_strSuffix(defaultSuffix) {
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::ExistingFile);
    setNameFilters(filters);
    if (!filters.isEmpty()) selectNameFilter(filters.first());
}

QString CImportFileDialog::TypedName() const {
    auto* edit = findChild<QLineEdit*>(kNameEdit);
    return edit ? edit->text() : QString();
}

void CImportFileDialog::SetTypedName(const QString& name) {
    if (auto* edit = findChild<QLineEdit*>(kNameEdit)) edit->setText(name);
}

void CImportFileDialog::accept() {
    // Qt's own default suffix is not used: it is added to any name without a
    // dot, even one that exists as typed.
    const QString typed = TypedName().trimmed();
    const QDir dir = directory();
    if (!typed.isEmpty() && !typed.contains(QLatin1Char('"')) && !m_strSuffix.isEmpty() &&
        !QFileInfo::exists(dir.filePath(typed)) && !QFileInfo(typed).fileName().contains('.')) {
        const QString withSuffix = typed + QLatin1Char('.') + m_strSuffix;
        if (QFileInfo::exists(dir.filePath(withSuffix))) SetTypedName(withSuffix);
    }
    QFileDialog::accept();
}
