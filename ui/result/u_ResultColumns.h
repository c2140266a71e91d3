#pragma once
// The result list's columns for a task mode. Pure data, no widgets.

#include <QList>
#include <QString>
#include <Qt>

#include <cstdint>

namespace morvane {

struct TResultColumn {
    QString g_strCaption;
    int g_intWidth = 0;
    Qt::Alignment g_Alignment = Qt::AlignLeft;
};

// Replace mode (1): the status image, 序号, 处理结果, 文件编码, 文件名 and 失败原因. Any other
// mode: the first five, with a wider 文件名.
QList<TResultColumn> ResultColumns(std::int32_t p_intMode);

// The column that holds a row's file name.
inline constexpr int kFileNameColumn = 4;

} // namespace morvane
