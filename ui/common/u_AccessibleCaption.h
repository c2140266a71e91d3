#pragma once
// Names for assistive technology. A control without a caption of its own (an edit box, a list, a
// progress bar) is named after the label or group caption that stands for it, and a label points
// at its control as its buddy, so a screen reader says what each field is for.

#include <QString>

class QLabel;
class QWidget;

namespace morvane {

// A caption as a name: without accelerator marks and without a closing colon, so "文件路径："
// gives "文件路径" and "全选(&S)" gives "全选(S)".
QString AccessibleCaption(const QString& p_strCaption);

// p_lblCaption becomes the buddy label of p_Control, and p_Control is named after it.
void LabelControl(QLabel* p_lblCaption, QWidget* p_Control);

} // namespace morvane
