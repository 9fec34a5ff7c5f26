#pragma once
// The window's pictures, compiled in as resources (drawn once by tools/make_pictures.py).

#include <QIcon>
#include <QPixmap>

// Picture 0 (stud with a screw-in end) or 1 (plain-hole stud): 140 x 66, black on white, the
// white transparent.
QPixmap studPicture(int index);
QIcon applicationIcon(); // the 32 x 32 gear
QPixmap applicationPixmap();
QIcon arrowDownIcon(); // red arrow of the standard button
QIcon questionIcon();  // cyan question mark of the About button
