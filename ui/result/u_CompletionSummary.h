#pragma once
// The summary message of a finished task, built from its processing thread as it stands inside
// the completion callback. No widgets.

#include <QChar>
#include <QString>

#include <cstdint>

namespace morvane {

class TThreadProcess;

// Empty for a mode other than replace (1) or find (2): no message is shown then. The elapsed time
// is p_intEndTime - p_intBeginTime on 32 bits, shown with two decimals and p_chrDecimalSeparator.
QString BuildCompletionMessage(const TThreadProcess& p_trdThreadProcess, std::int32_t p_intMode,
                               std::uint32_t p_intBeginTime, std::uint32_t p_intEndTime,
                               QChar p_chrDecimalSeparator);

} // namespace morvane
