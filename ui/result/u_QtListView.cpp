#include "u_QtListView.h"

#include "u_QtText.h"

#include <QTreeWidget>
#include <QTreeWidgetItem>

#include <utility>

namespace morvane {

TQtListView::TQtListView(QTreeWidget* p_lvwList, QList<QIcon> p_arrImages)
    : g_lvwList(p_lvwList), g_arrImages(std::move(p_arrImages)) {}

TQtListView::~TQtListView() {
    DropPending();
}

void TQtListView::AddRow(const std::u16string& p_strCaption, int p_intImageIndex,
                         const std::vector<std::u16string>& p_arrSubItems) {
    if (g_lvwList == nullptr) {
        return;
    }
    QStringList m_arrSubItems;
    m_arrSubItems.reserve(static_cast<qsizetype>(p_arrSubItems.size()));
    for (const std::u16string& m_strSubItem : p_arrSubItems) {
        m_arrSubItems.append(ToQString(m_strSubItem));
    }
    if (g_IsCoalescing) {
        g_arrPendingRows.append(BuildRow(g_lvwList, g_arrImages, ToQString(p_strCaption),
                                         p_intImageIndex, m_arrSubItems));
        return;
    }
    AppendRow(g_lvwList, g_arrImages, ToQString(p_strCaption), p_intImageIndex, m_arrSubItems);
}

std::int32_t TQtListView::RowCount() const {
    return g_lvwList != nullptr
               ? static_cast<std::int32_t>(g_lvwList->topLevelItemCount() + g_arrPendingRows.size())
               : 0;
}

void TQtListView::ApplyPending() {
    if (g_arrPendingRows.isEmpty()) {
        return;
    }
    if (g_lvwList == nullptr) {
        DropPending();
        return;
    }
    QWidget* m_Viewport = g_lvwList->viewport();
    if (!IsFilledToTheBottom() || m_Viewport->testAttribute(Qt::WA_UpdatesDisabled)) {
        g_lvwList->addTopLevelItems(g_arrPendingRows);
        g_arrPendingRows.clear();
        return;
    }
    // Rows appended below a full view change none of its pixels, yet the view would repaint all
    // of it for every insertion, shaping each visible cell's text again. It lays them out now
    // and the scroll bar shows them; the viewport keeps what it shows.
    m_Viewport->setAttribute(Qt::WA_UpdatesDisabled, true);
    g_lvwList->addTopLevelItems(g_arrPendingRows);
    g_arrPendingRows.clear();
    g_lvwList->doItemsLayout();
    m_Viewport->setAttribute(Qt::WA_UpdatesDisabled, false);
}

bool TQtListView::IsFilledToTheBottom() const {
    const int m_intRowCount = g_lvwList->topLevelItemCount();
    if (m_intRowCount == 0) {
        return false;
    }
    const QRect m_LastRow = g_lvwList->visualItemRect(g_lvwList->topLevelItem(m_intRowCount - 1));
    // Strictly below: a list that just fits would gain its scroll bar now and narrow the view.
    return !m_LastRow.isEmpty() && m_LastRow.bottom() + 1 > g_lvwList->viewport()->height();
}

void TQtListView::Detach() {
    g_lvwList = nullptr;
    DropPending();
}

void TQtListView::DropPending() {
    qDeleteAll(g_arrPendingRows);
    g_arrPendingRows.clear();
}

QTreeWidgetItem* TQtListView::BuildRow(const QTreeWidget* p_lvwList,
                                       const QList<QIcon>& p_arrImages, const QString& p_strCaption,
                                       int p_intImageIndex, const QStringList& p_arrSubItems) {
    auto* m_Item = new QTreeWidgetItem();
    // The last column first: the item then sizes its cell storage once instead of per column.
    for (qsizetype m_intIndex = p_arrSubItems.size() - 1; m_intIndex >= 0; --m_intIndex) {
        m_Item->setText(static_cast<int>(m_intIndex) + 1, p_arrSubItems.at(m_intIndex));
    }
    m_Item->setText(0, p_strCaption);
    m_Item->setIcon(0, p_arrImages.value(p_intImageIndex));
    const QTreeWidgetItem* m_Header = p_lvwList->headerItem();
    for (int m_intColumn = 0; m_intColumn < p_lvwList->columnCount(); ++m_intColumn) {
        m_Item->setData(m_intColumn, Qt::TextAlignmentRole,
                        m_Header->data(m_intColumn, Qt::TextAlignmentRole));
    }
    return m_Item;
}

void TQtListView::AppendRow(QTreeWidget* p_lvwList, const QList<QIcon>& p_arrImages,
                            const QString& p_strCaption, int p_intImageIndex,
                            const QStringList& p_arrSubItems) {
    p_lvwList->addTopLevelItem(
        BuildRow(p_lvwList, p_arrImages, p_strCaption, p_intImageIndex, p_arrSubItems));
}

} // namespace morvane
