// The dialog's artwork, drawn in code so that it needs no image files: the 36 x 36 logo of
// the About group and the 16 x 16 window icon. Both show the product's mark, a centre
// speaker cone radiating two arcs to either side (the sound spread around the listener).
#pragma once

#include <QIcon>
#include <QPixmap>

namespace foo_dsp_halvane {

QPixmap HalvaneLogo();  // 36 x 36
QIcon HalvaneIcon();    // 16 x 16

}  // namespace foo_dsp_halvane
