#pragma once
// The worked stud as a block stores it: ГОСТ 22032-76, d 12, L as given (overall L + 12 with b1),
// b 30, b1 12, c 1.6, coarse pitch 1.75, as a side view or a solid; and the call that places it as
// its block.

#include "cad/quorvel_draw.h"

inline StoredStud workedStud(double L = 100, bool solid = false)
{
    StoredStud stud;
    stud.standard = "22032-76";
    stud.d = 12;
    stud.L = L;
    stud.b = 30;
    stud.b1 = 12;
    stud.c = 1.6;
    stud.P = 1.75;
    stud.solid = solid;
    return stud;
}

// Start_ACAD for the block's stud, a stud with a screw-in end: the overall length is L + b1.
inline void placeStudBlock(QuorvelDraw& draw, const StudBlock& block)
{
    const StoredStud& s = block.stored;
    draw.Start_ACAD(s.solid, "Шпилька", s.d, s.L + s.b1, s.b, s.b1, s.c, &block);
}
