#pragma once
// The engine's result list on a report-style QTreeWidget: column 0 holds the status image, the
// sub-items follow in columns 1, 2, …

#include "u_UiInterfaces.h"

#include <QIcon>
#include <QList>
#include <QPointer>
#include <QStringList>

#include <cstdint>

class QTreeWidget;

namespace morvane {

class TQtListView : public TListView {
public:
    // p_arrImages: the list's image list, by image index.
    TQtListView(QTreeWidget* p_lvwList, QList<QIcon> p_arrImages);

    void AddRow(const std::u16string& p_strCaption, int p_intImageIndex,
                const std::vector<std::u16string>& p_arrSubItems) override;
    std::int32_t RowCount() const override;
    // Cuts the link to the widget: later rows are dropped and the count reads 0. For a task that
    // has been let go.
    void Detach();

    // Appends one row, each cell aligned as its column's heading; shared with the page loader.
    static void AppendRow(QTreeWidget* p_lvwList, const QList<QIcon>& p_arrImages,
                          const QString& p_strCaption, int p_intImageIndex,
                          const QStringList& p_arrSubItems);

private:
    QPointer<QTreeWidget> g_lvwList;
    QList<QIcon> g_arrImages;
};

} // namespace morvane
