#include "model/stud_standard.h"

const std::array<StudStandard, standardCount>& studStandards()
{
    static constexpr std::array<StudStandard, standardCount> catalogue{{
        {0, "22032-76", StudFamily::ScrewIn, "1", "В"},
        {1, "22033-76", StudFamily::ScrewIn, "1", "А"},
        {2, "22034-76", StudFamily::ScrewIn, "1.25", "В"},
        {3, "22035-76", StudFamily::ScrewIn, "1.25", "А"},
        {4, "22036-76", StudFamily::ScrewIn, "1.6", "В"},
        {5, "22037-76", StudFamily::ScrewIn, "1.6", "А"},
        {6, "22038-76", StudFamily::ScrewIn, "2", "В"},
        {7, "22039-76", StudFamily::ScrewIn, "2", "А"},
        {8, "22040-76", StudFamily::ScrewIn, "2.5", "В"},
        {9, "22041-76", StudFamily::ScrewIn, "2.5", "А"},
        {10, "22042-76", StudFamily::PlainHole, "", "В"},
        {11, "22043-76", StudFamily::PlainHole, "", "А"},
    }};
    return catalogue;
}
