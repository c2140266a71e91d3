#include "u_QtListView.h"

#include "u_QtText.h"

#include <QTreeWidget>
#include <QTreeWidgetItem>

#include <utility>

namespace morvane {

TQtListView::TQtListView(QTreeWidget* p_lvwList, QList<QIcon> p_arrImages)
    : g_lvwList(p_lvwList), g_arrImages(std::move(p_arrImages)) {}

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
    AppendRow(g_lvwList, g_arrImages, ToQString(p_strCaption), p_intImageIndex, m_arrSubItems);
}

std::int32_t TQtListView::RowCount() const {
    return g_lvwList != nullptr ? static_cast<std::int32_t>(g_lvwList->topLevelItemCount()) : 0;
}

void TQtListView::Detach() {
    g_lvwList = nullptr;
}

void TQtListView::AppendRow(QTreeWidget* p_lvwList, const QList<QIcon>& p_arrImages,
                            const QString& p_strCaption, int p_intImageIndex,
                            const QStringList& p_arrSubItems) {
    auto* m_Item = new QTreeWidgetItem();
    m_Item->setText(0, p_strCaption);
    m_Item->setIcon(0, p_arrImages.value(p_intImageIndex));
    for (qsizetype m_intIndex = 0; m_intIndex < p_arrSubItems.size(); ++m_intIndex) {
        m_Item->setText(static_cast<int>(m_intIndex) + 1, p_arrSubItems.at(m_intIndex));
    }
    const QTreeWidgetItem* m_Header = p_lvwList->headerItem();
    for (int m_intColumn = 0; m_intColumn < p_lvwList->columnCount(); ++m_intColumn) {
        m_Item->setData(m_intColumn, Qt::TextAlignmentRole,
                        m_Header->data(m_intColumn, Qt::TextAlignmentRole));
    }
    p_lvwList->addTopLevelItem(m_Item);
}

} // namespace morvane
