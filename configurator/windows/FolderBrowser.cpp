#include "configurator/windows/FolderBrowser.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// Keeps the root folder, its ancestors (so that the root can be shown as the only top item) and
// everything below it.
class TRootFilter : public QSortFilterProxyModel {
public:
    explicit TRootFilter(QString root, QObject* parent)
        : QSortFilterProxyModel(parent), Root(std::move(root)) {}

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        const auto* model = static_cast<const QFileSystemModel*>(sourceModel());
        const QString path = QDir::cleanPath(model->filePath(model->index(row, 0, parent)));
        return path == Root || path.startsWith(Root + "/") ||
               Root.startsWith(path == "/" ? path : path + "/");
    }

private:
    QString Root;
};

} // namespace

std::string BrowseForProjectFolder(QWidget* owner, const std::string& root, const std::string& current,
                                   bool* chosen) {
    *chosen = false;
    const QString rootPath = QDir::cleanPath(QString::fromStdString(root));

    QDialog dialog(owner);
    dialog.setObjectName("FolderBrowser");
    dialog.setWindowTitle("Select directory of project");
    dialog.setWindowModality(Qt::ApplicationModal);

    QFileSystemModel model;
    model.setFilter(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Drives);
    model.setReadOnly(true);
    const QString parentPath = QFileInfo(rootPath).path();
    model.setRootPath(parentPath);

    TRootFilter filter(rootPath, &dialog);
    filter.setSourceModel(&model);
    filter.setRecursiveFilteringEnabled(false);

    auto* view = new QTreeView(&dialog);
    view->setObjectName("FolderTree");
    view->setAccessibleName("Project folders");
    view->setModel(&filter);
    view->setRootIndex(filter.mapFromSource(model.index(parentPath)));
    for (int column = 1; column < model.columnCount(); ++column)
        view->hideColumn(column);
    view->setHeaderHidden(true);

    const QString preselect = current.empty() ? QString() : QDir::cleanPath(QString::fromStdString(current));
    if (!preselect.isEmpty() && (preselect == rootPath || preselect.startsWith(rootPath + "/"))) {
        const QModelIndex index = filter.mapFromSource(model.index(preselect));
        view->setCurrentIndex(index);
        view->scrollTo(index);
    } else {
        view->expand(filter.mapFromSource(model.index(rootPath)));
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(view);
    layout->addWidget(buttons);
    dialog.resize(420, 360);

    if (dialog.exec() != QDialog::Accepted || !view->currentIndex().isValid())
        return std::string();
    *chosen = true;
    // With the platform's separators, as every other path of the program is joined.
    return QDir::toNativeSeparators(model.filePath(filter.mapToSource(view->currentIndex()))).toStdString();
}
