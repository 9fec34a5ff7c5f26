// A placed stud replaced in place: the stud picked for editing found again as it was picked, and
// deleted once its successor stands, or else the successor deleted again, so that a replacement
// never leaves two studs counted in a parts list.
#include "cad/quorvel_draw.h"

namespace {

// The placement's own values, which the designer fills in or changes: kept by its successor.
bool designersOwn(const std::string& tag)
{
    return tag == "POS" || tag == "QTY";
}

constexpr const char* notReplacedText = "Прежняя шпилька не удаляется, замена отменена!";
constexpr const char* twoStudsText =
    "Прежняя шпилька не удаляется, новая не убирается: в чертеже две шпильки!";

} // namespace

OleObject QuorvelDraw::FindReplaced(StudBlock& block)
{
    OleObject old;
    try {
        old = m_session.AcadDoc.call("HandleToObject", {*m_replaced}).toObject();
    } catch (const EOleException&) {
        // Erased since it was picked: the host knows the handle no more.
    }
    if (old) {
        // A handle names an object of one drawing only: in another drawing, or after the stud
        // was erased and its handle reused, it names something else, which must stay as it is.
        std::optional<StoredStud> stored;
        try {
            const Variants data =
                old.call("GetXData", {studApplication, OutArgument{}, OutArgument{}})
                    .toVariants();
            if (data.size() == 2) {
                stored = storedStud(data[0].toVariants(), data[1].toVariants());
            }
        } catch (const VariantTypeError&) {
        }
        if (!stored || *stored != m_edited) {
            old = OleObject{};
        }
    }
    if (!old) {
        m_replaced.reset(); // drawn as a new stud
        return old;
    }
    for (const OleObject& attribute : old.call("GetAttributes", {}).toObjects()) {
        const std::string tag = attribute.get("TagString").toString();
        if (!designersOwn(tag)) {
            continue;
        }
        const std::string value = attribute.get("TextString").toString();
        for (StudAttribute& own : block.attributes) {
            if (own.tag == tag) {
                own.value = value;
            }
        }
    }
    return old;
}

void QuorvelDraw::Replace_Stud(const OleObject& old)
{
    const std::optional<OleErrorKind> kind = automationFailure([&] { old.call("Delete", {}); });
    if (!kind) {
        m_replaced.reset();
        return;
    }
    // Whole or nothing: the new stud goes again (with its definition when this run made it),
    // the old one stays and stays picked, so that «Чертить» can try again. Should the new one
    // not go either, the picked stud is forgotten: trying again would add a third.
    bool undone = true;
    try {
        m_placed->reference.call("Delete", {});
    } catch (const EOleError&) {
        undone = false;
        m_replaced.reset();
    }
    if (undone && m_placed->definition) {
        try {
            m_placed->definition.call("Delete", {});
        } catch (const EOleError&) {
            // An unused definition counts in no parts list.
        }
    }
    m_reporter.show({"Warning",
                     drawReport("Replace_Stud", undone ? notReplacedText : twoStudsText, *kind),
                     MessageKind::Warning});
}
