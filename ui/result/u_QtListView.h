#pragma once
// The engine's result list on a report-style QTreeWidget: column 0 holds the status image, the
// sub-items follow in columns 1, 2, …

#include "core/u_UiInterfaces.h"

#include <QIcon>
#include <QList>
#include <QPointer>
#include <QStringList>

#include <cstdint>

class QTreeWidget;
class QTreeWidgetItem;

namespace morvane {

class TQtListView : public TListView {
public:
    // p_arrImages: the list's image list, by image index.
    TQtListView(QTreeWidget* p_lvwList, QList<QIcon> p_arrImages);
    ~TQtListView() override;
    TQtListView(const TQtListView&) = delete;
    TQtListView& operator=(const TQtListView&) = delete;

    void AddRow(const std::u16string& p_strCaption, int p_intImageIndex,
                const std::vector<std::u16string>& p_arrSubItems) override;
    // Rows still waiting to be inserted count too: the engine numbers each row by it.
    std::int32_t RowCount() const override;
    // While coalescing, rows wait until ApplyPending inserts them all at once, in the order they
    // came: every insertion lays out and repaints the whole list, however many rows it brings.
    void SetCoalescing(bool p_IsCoalescing) { g_IsCoalescing = p_IsCoalescing; }
    void ApplyPending();
    // Cuts the link to the widget: waiting and later rows are dropped and the count reads 0. For
    // a task that has been let go.
    void Detach();

    // Appends one row, each cell aligned as its column's heading; shared with the page loader.
    static void AppendRow(QTreeWidget* p_lvwList, const QList<QIcon>& p_arrImages,
                          const QString& p_strCaption, int p_intImageIndex,
                          const QStringList& p_arrSubItems);

private:
    static QTreeWidgetItem* BuildRow(const QTreeWidget* p_lvwList, const QList<QIcon>& p_arrImages,
                                     const QString& p_strCaption, int p_intImageIndex,
                                     const QStringList& p_arrSubItems);
    void DropPending();
    // Whether the last row reaches past the bottom of the visible part, so that rows appended
    // after it are out of sight.
    bool IsFilledToTheBottom() const;

    QPointer<QTreeWidget> g_lvwList;
    QList<QIcon> g_arrImages;
    QList<QTreeWidgetItem*> g_arrPendingRows; // owned until inserted
    bool g_IsCoalescing = false;
};

} // namespace morvane
