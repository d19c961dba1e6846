#include "files/commdlgs.h"

#include "files/recentfolder.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QMessageBox>
#include <QStringList>
#include <QTreeView>

namespace CommDlgs {

namespace {

// Action code the callers use for "open an existing file"; everything else saves.
constexpr qint16 OpenAction = 1;

// Patterns in the pairs are separated by ';' (e.g. "*.txt;*.ZRM"); Qt wants blanks.
QString qtPatterns(const QString &patterns)
{
    QStringList result;
    const QStringList parts = patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        const QString pattern = part.trimmed();
        if (pattern.isEmpty())
            continue;
        // Qt matches "*.*" literally, which would hide names without a dot; the user means
        // "every file" here.
        result << (pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern);
    }
    result.removeDuplicates();
    return result.join(QLatin1Char(' '));
}

// The Qt name filters for a NUL-separated list of description/pattern pairs, in order,
// e.g. "ZRM Files (*.ZRM)".
QStringList nameFiltersFromPairs(const QString &filter)
{
    QStringList filters;
    const QStringList parts = filter.split(QChar());
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString &description = parts.at(i);
        const QString patterns = qtPatterns(parts.at(i + 1));
        // An empty pair is the terminator of a doubly NUL-ended list.
        if (description.isEmpty() && patterns.isEmpty())
            break;
        if (patterns.isEmpty())
            continue;
        filters << QStringLiteral("%1 (%2)").arg(description, patterns);
    }
    return filters;
}

// Qt's own dialog, except that a Save dialog, like an Open dialog with a missing file,
// refuses a name in a folder that does not exist and stays open for another.
class FileDialog : public QFileDialog
{
public:
    using QFileDialog::QFileDialog;

protected:
    void accept() override
    {
        const QString chosen = selectedFiles().value(0);
        const QFileInfo file(chosen);
        if (acceptMode() == AcceptSave && !chosen.isEmpty() && !file.isDir()
            && !QFileInfo(file.absolutePath()).isDir()) {
            QMessageBox::warning(this, windowTitle(),
                                 tr("%1\nFolder not found.\nPlease choose a file in a folder "
                                    "that exists.")
                                         .arg(QDir::toNativeSeparators(file.absolutePath())));
            return;
        }
        QFileDialog::accept();
    }
};

} // namespace

QString ShowFileDialog(QWidget *owner, qint16 action, const QString &title,
                       const QString &initialFileName, const QString &filter,
                       const QString &initialFolder, const QString &defaultExtension)
{
    // A dialog object rather than the static helpers: only the object honours the default
    // suffix. Qt's own widget dialog behaves alike on every platform.
    FileDialog dialog(owner, title);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (action == OpenAction) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    }

    const QStringList filters = nameFiltersFromPairs(filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(filters.constFirst());
    }

    QString suffix = defaultExtension.trimmed();
    if (suffix.startsWith(QLatin1Char('.')))
        suffix.remove(0, 1);
    if (!suffix.isEmpty() && suffix != QLatin1String("*"))
        dialog.setDefaultSuffix(suffix);

    if (!initialFolder.isEmpty())
        dialog.setDirectory(initialFolder);
    // After the folder: a name with a folder part of its own moves the dialog there.
    if (!initialFileName.isEmpty())
        dialog.selectFile(initialFileName);

    // The detail view's size, type and date columns are as wide as what they show, the name
    // takes the rest: at Qt's fixed widths sizes and dates are cut short ("41....KiB").
    if (auto *details = dialog.findChild<QTreeView *>(QStringLiteral("treeView"))) {
        QHeaderView *header = details->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(QHeaderView::ResizeToContents);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
    }

    if (dialog.exec() != QDialog::Accepted)
        return QString();
    const QString chosen = dialog.selectedFiles().value(0);
    if (!chosen.isEmpty())
        RecentFolder::remember(chosen);
    return chosen;
}

} // namespace CommDlgs
