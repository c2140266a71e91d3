#pragma once
// The result list's two status images, drawn in code so no image file has to ship with the
// program: index 0 a green tick (status "成功"), index 1 a red cross (anything else).

#include <QIcon>
#include <QImage>
#include <QList>

namespace morvane {

inline constexpr int kStatusImageSize = 16;

// One image, kStatusImageSize square on a transparent background; any index but 0 is the cross.
QImage DrawStatusImage(int p_intImageIndex);

// Both images in index order, as the list's image list. Needs the QApplication.
QList<QIcon> BuildStatusImageList();

} // namespace morvane
