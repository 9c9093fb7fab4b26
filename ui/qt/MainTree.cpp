// The result tree, the details grid and the tree's popup actions.
#include <QCollator>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenu>
#include <QPainter>
#include <QSet>
#include <QTableWidget>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <algorithm>

#include "common/Messages.h"
#include "config/Dmodule.h"
#include "engine/compare/ResultView.h"
#include "engine/sync/Sync.h"
#include "platform/Text.h"
#include "ui/presenter/Marks.h"
#include "ui/qt/Artwork.h"
#include "ui/qt/Dialogs.h"
#include "ui/qt/ElidedLabel.h"
#include "ui/qt/Forms.h"
#include "ui/qt/Mainform.h"
#include "ui/qt/SyncPreview.h"

namespace dm::ui {

namespace {

constexpr int kNameRole = Qt::UserRole;  // the result node's name, as bytes
constexpr int kStateRole = Qt::UserRole + 1;
// A folder node whose children are made when it is first opened: a tree of a
// million items is on screen at once, and only what is opened costs.
constexpr int kPendingRole = Qt::UserRole + 2;

void deleteChildren(QTreeWidgetItem* node)
{
    qDeleteAll(node->takeChildren());
}

// Node texts in the order of the user's language, letters before case, as
// the system's string comparison orders them (pinyin order for Chinese).
void sortChildren(QTreeWidgetItem* node, const QCollator& collator, bool below)
{
    QList<QTreeWidgetItem*> children = node->takeChildren();
    std::stable_sort(children.begin(), children.end(), [&](QTreeWidgetItem* a, QTreeWidgetItem* b) {
        return collator.compare(a->text(0), b->text(0)) < 0;
    });
    if (below)
        for (QTreeWidgetItem* child : children) sortChildren(child, collator, true);
    node->addChildren(children);
}

QCollator treeCollator()
{
    return QCollator(currentLanguage() == English ? QLocale(QLocale::English, QLocale::UnitedStates)
                                                  : QLocale(QLocale::Chinese, QLocale::China));
}

int countShown(const ResultList& list, const ShowFilter& filter)
{
    return int(std::count_if(list.begin(), list.end(), [&](const auto& r) { return isShownBy(*r, filter); }));
}

}  // namespace

result_t* TfrmMain::resultOf(QTreeWidgetItem* node) const
{
    if (!node || !node->parent() || !presenter.comparer) return nullptr;
    std::vector<QByteArray> names;
    for (QTreeWidgetItem* n = node; n->parent(); n = n->parent()) names.push_back(n->data(0, kNameRole).toByteArray());
    result_t* r = &presenter.comparer->results;
    for (auto name = names.rbegin(); name != names.rend(); ++name) {
        if (!r->children) return nullptr;
        const std::string_view wanted(name->constData(), size_t(name->size()));
        const auto found = std::find_if(r->children->begin(), r->children->end(),
                                        [&](const std::unique_ptr<result_t>& c) { return c->name == wanted; });
        if (found == r->children->end()) return nullptr;
        r = found->get();
    }
    return r;
}

QTreeWidgetItem* TfrmMain::AddHeaderNode()
{
    if (!presenter.resultValid || !presenter.comparer) return nullptr;
    TreeViewResult->clear();
    auto* header = new QTreeWidgetItem(TreeViewResult, QStringList(qs(messageText(msg::ResultHeader))));
    setNodeImage(header, iconKey(presenter.comparer->pathB, true), StateNone);
    return header;
}

int TfrmMain::AddResultNodes(const ResultList& list, QTreeWidgetItem* under)
{
    int added = 0;
    for (const auto& owned : list) {
        result_t& r = *owned;
        if (!isShownBy(r, showFilter_)) continue;
        auto* node = new QTreeWidgetItem(under, QStringList(qs(r.name)));
        node->setData(0, kNameRole, QByteArray(r.name.data(), qsizetype(r.name.size())));
        ++added;
        if (r.included && showsChildren(r)) {
            const int shown = countShown(*r.children, showFilter_);
            node->setText(0, qs(folderNodeText(r.name, shown)));
            if (shown > 0) {
                node->setData(0, kPendingRole, true);
                node->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
            }
        }
        // The item's side tells file from folder, so no look at the disk is needed.
        const bool known = r.kind >= OnlyInA && r.kind <= InBoth;
        const std::string& path = r.kind == OnlyInA ? r.pathA() : r.pathB();
        const bool folder = r.kind == OnlyInA ? r.folderA : r.folderB;
        setNodeImage(node, known ? iconKey(path, folder) : QString(), stateIndexOf(r));
        fillColumns(node, r);
    }
    return added;
}

QString TfrmMain::iconKey(const std::string& path, bool folder)
{
    if (folder) return QStringLiteral("/");
    const auto name = platform::lastComponent(path);
    const auto dot = name.find_last_of('.');
    if (dot == std::string_view::npos) return QStringLiteral(".");
    const auto suffix = name.substr(dot + 1);
    return QString::fromUtf8(suffix.data(), qsizetype(suffix.size())).toLower();
}

QIcon TfrmMain::ShellIconIndex(const std::string& path)
{
    return iconOfKey(iconKey(path, QFileInfo(qs(path)).isDir()));
}

// One look-up per kind of item: folders share one icon, files one per suffix.
QIcon TfrmMain::iconOfKey(const QString& key)
{
    const auto cached = iconCache_.constFind(key);
    if (cached != iconCache_.constEnd()) return *cached;
    static const QFileIconProvider provider;
    const bool folder = key == QStringLiteral("/");
    QIcon icon = folder ? provider.icon(QFileIconProvider::Folder) : provider.icon(QFileInfo("file." + key));
    if (icon.isNull()) icon = provider.icon(folder ? QFileIconProvider::Folder : QFileIconProvider::File);
    iconCache_.insert(key, icon);
    return icon;
}

void TfrmMain::setNodeImage(QTreeWidgetItem* node, const QString& key, int stateIndex)
{
    node->setData(0, kStateRole, stateIndex);
    const QString composedKey = QString::number(stateIndex) + QLatin1Char('|') + key;
    auto cached = composedCache_.constFind(composedKey);
    if (cached == composedCache_.constEnd()) {
        QPixmap composed(34, 16);
        composed.fill(Qt::transparent);
        QPainter p(&composed);
        if (stateIndex > 0) p.drawPixmap(0, 0, stateImage(stateIndex));
        if (!key.isEmpty()) p.drawPixmap(18, 0, iconOfKey(key).pixmap(16, 16));
        p.end();
        cached = composedCache_.insert(composedKey, QIcon(composed));
    }
    node->setIcon(0, *cached);
}

void TfrmMain::SortTree()
{
    const QCollator collator = treeCollator();
    for (int i = 0; i < TreeViewResult->topLevelItemCount(); ++i)
        sortChildren(TreeViewResult->topLevelItem(i), collator, true);
}

void TfrmMain::fillPending(QTreeWidgetItem* node)
{
    if (!node || !node->data(0, kPendingRole).toBool()) return;
    node->setData(0, kPendingRole, QVariant());
    node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    const result_t* r = resultOf(node);
    if (!r || !r->children) return;
    AddResultNodes(*r->children, node);
    sortChildren(node, treeCollator(), false);
}

void TfrmMain::expandWholeTree()
{
    for (QTreeWidgetItemIterator it(TreeViewResult); *it; ++it) fillPending(*it);
    TreeViewResult->expandAll();
}

void TfrmMain::SetGridWidths()
{
    // The fixed column as the forms have it, or as wide as its longest title.
    int fixed = 100;
    for (int r = 0; r < 5; ++r)
        fixed = std::max(fixed, sg->fontMetrics().horizontalAdvance(sg->item(r, 0)->text()) + 12);
    const int width = sg->viewport()->width() > 0 ? sg->width() : 0;
    const int other = (width - fixed) / 2 - 3;
    sg->setColumnWidth(0, fixed);
    sg->setColumnWidth(1, other);
    sg->setColumnWidth(2, other);
}

void TfrmMain::ShowDetails(QTreeWidgetItem* node)
{
    if (!presenter.resultValid || !presenter.comparer) return;
    if (!node) {
        for (int i = 0; i < 15; ++i) sg->item(i % 5, i / 5)->setText(QString());
        return;
    }
    result_t* item = resultOf(node);
    if (!item) return;  // the header keeps what the grid shows
    StringList texts;
    presenter.comparer->details(*item, texts);
    for (int i = 0; i < 15 && i < int(texts.size()); ++i) {
        QTableWidgetItem* cell = sg->item(i % 5, i / 5);
        cell->setText(qs(texts[size_t(i)]));
        cell->setToolTip(cell->text());
    }
    SetGridWidths();
    enableOpenActions(item);
}

void TfrmMain::enableOpenActions(const result_t* item)
{
    // What opens an item here needs a path on this machine: a side read from
    // a file or on another machine has none.
    const MainPresenter::Openers openers = presenter.openers(item);
    const auto enable = [](QAction* action, const MainPresenter::Opener& opener) {
        action->setEnabled(opener.enabled);
        action->setToolTip(qs(opener.tip));
    };
    enable(N11, openers.a);
    enable(N12, openers.b);
    enable(actOpenFolder, openers.folder);
}

void TfrmMain::TreeMouseDown(Qt::MouseButton button, const QPoint& position)
{
    if (button == Qt::RightButton) {
        QTreeWidgetItem* under = TreeViewResult->itemAt(position);
        if (under) {
            TreeViewResult->setCurrentItem(under);
        } else {
            TreeViewResult->clearSelection();
            TreeViewResult->setCurrentItem(nullptr);
        }
    }
    QTreeWidgetItem* selected = TreeViewResult->currentItem();
    if (selected && !TreeViewResult->selectedItems().contains(selected)) selected = nullptr;
    const MainPresenter::Popup popup = presenter.popup(
        selected, selected && selected->parent() ? resultOf(selected) : nullptr, !dm_.ExternalCompare.empty());
    N9->setEnabled(popup.refresh);
    N10->setEnabled(popup.sync);
    actComparePair->setEnabled(popup.comparePair);
    actExternalCompare->setEnabled(popup.externalCompare);
    actExternalCompare->setVisible(!dm_.ExternalCompare.empty());
    if (!selected) {
        for (QAction* action : {N11, N12}) action->setEnabled(false);
        return;
    }
    ShowDetails(selected);
    if (!selected->parent()) enableOpenActions(nullptr);
}

void TfrmMain::rebuildChildren(QTreeWidgetItem* node, result_t& item)
{
    // Filled here: a folder never opened must not be filled again when it is.
    node->setData(0, kPendingRole, QVariant());
    node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    const int shown = item.children ? AddResultNodes(*item.children, node) : 0;
    node->setText(0, qs(folderNodeText(item.name, shown)));
    setNodeImage(node, iconKey(item.pathB(), true), item.identical ? StateIdentical : StateDifferent);
}

void TfrmMain::N10Click(int tag)
{
    QTreeWidgetItem* node = TreeViewResult->currentItem();
    if (isBusy() || TreeViewResult->topLevelItemCount() == 0 || (tag != 1 && tag != 2) || !node) return;
    QTreeWidgetItem* parentNode = node->parent();
    result_t* item = resultOf(node);
    if (parentNode && !item) return;
    if (tag == 2) lbText->setText(tr("正在同步，请耐心等待..."));
    presenter.actOnRow(*this, parentNode ? item : nullptr, resultOf(parentNode), tag == 2);
}

void TfrmMain::showPart(const SyncScope& scope)
{
    // The row acted on, or the folder above it that holds it: a folder pair
    // is redone whole; one item, in the folder that holds it (the header
    // stands for the whole comparison).
    for (QTreeWidgetItem* node = TreeViewResult->currentItem(); node; node = node->parent()) {
        if (node->parent() ? resultOf(node) == scope.owner : scope.owner == &presenter.comparer->results)
            return refreshDone(node, scope);
    }
}

void TfrmMain::refreshDone(QTreeWidgetItem* ownerNode, const SyncScope& scope)
{
    deleteChildren(ownerNode);
    if (scope.owner != &presenter.comparer->results) {
        rebuildChildren(ownerNode, *scope.owner);
    } else if (presenter.comparer->state == Finished || presenter.comparer->state == TooManyFiles) {
        if (presenter.comparer->state == TooManyFiles)
            messageBox(this,
                       qs(messageText(msg::TooManyEntries) + std::to_string(presenter.comparer->request.maxEntries)));
        if (presenter.comparer->results.children) AddResultNodes(*presenter.comparer->results.children, ownerNode);
        SortTree();
        ownerNode->setExpanded(true);
    }
    panels[3]->showText(CountsText());
    ShowState();
    ShowDetails(TreeViewResult->currentItem());
}

void TfrmMain::N11Click(int tag)
{
    QTreeWidgetItem* node = TreeViewResult->currentItem();
    if (!presenter.resultValid || !presenter.comparer || !node || !node->parent()) return;
    const result_t* item = resultOf(node);
    if (!item || (tag != 3 && tag != 4)) return;
    const std::string& path = tag == 3 ? item->pathA() : item->pathB();
    if (!(tag == 3 ? presenter.comparer->sideA() : presenter.comparer->sideB()).hasLocalPaths())
        return;  // not a path of this machine
    if (path.empty()) {
        messageBox(this, qs(messageText(msg::FileNotExist)));
        return;
    }
    messageBox(this, qs(path));
    openWithShell(qs(path));
}

void TfrmMain::goToDifference(bool forward)
{
    // Items in the order the tree shows them, those below folded folders
    // included: made as the search passes them, up to the one found going
    // forward, every one before the selection going back.
    QTreeWidgetItem* const current = TreeViewResult->currentItem();
    std::vector<QTreeWidgetItem*> items;
    const auto isDifference = [](QTreeWidgetItem* item) {
        return !item->isHidden() && item->childCount() == 0 && isDifferenceMark(item->data(0, kStateRole).toInt());
    };
    QTreeWidgetItem* found = nullptr;
    bool passed = !current;
    for (QTreeWidgetItemIterator it(TreeViewResult); *it; ++it) {
        fillPending(*it);
        if (*it == current) {
            if (!forward) break;
            passed = true;
            continue;
        }
        if (forward && passed && isDifference(*it)) {
            found = *it;
            break;
        }
        if (!forward) items.push_back(*it);
    }
    if (!forward && current) {
        const auto previous = std::find_if(items.rbegin(), items.rend(), isDifference);
        if (previous != items.rend()) found = *previous;
    }
    if (!found) return;
    for (QTreeWidgetItem* up = found->parent(); up; up = up->parent()) up->setExpanded(true);
    TreeViewResult->setCurrentItem(found);
    TreeViewResult->scrollToItem(found);
    ShowDetails(found);
}

namespace {

// An item's place in the tree, by the names from the top: it outlives the item.
QString placeOf(const QTreeWidgetItem* item)
{
    QStringList names;
    for (; item; item = item->parent()) names.prepend(QString::fromUtf8(item->data(0, kNameRole).toByteArray()));
    return names.join(QLatin1Char('/'));
}

}  // namespace

void TfrmMain::refillTree()
{
    // What was open stays open, and the selection where it was.
    QSet<QString> open;
    for (QTreeWidgetItemIterator it(TreeViewResult); *it; ++it)
        if ((*it)->isExpanded()) open.insert(placeOf(*it));
    const QString current = TreeViewResult->currentItem() ? placeOf(TreeViewResult->currentItem()) : QString();
    fillTree();
    for (QTreeWidgetItemIterator it(TreeViewResult); *it; ++it) {
        const QString place = placeOf(*it);
        if (open.contains(place)) (*it)->setExpanded(true);
        if (!current.isEmpty() && place == current) TreeViewResult->setCurrentItem(*it);
    }
}

}  // namespace dm::ui
