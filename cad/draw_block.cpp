// The stud as a named block through the object model: its definition (the side view, the
// attribute definitions) made once per size, the reference inserted at the insertion point with
// this placement's attribute values and the stud's sizes as extended data; and the pick of a
// placed stud for editing it in place.
#include "cad/quorvel_draw.h"
#include "cad/side_view.h"

namespace {

// Attribute definitions: invisible, so that the drawing looks as with loose lines.
constexpr std::int32_t invisibleAttribute = 1;
constexpr double attributeHeight = 2.5;

const char* const pickPrompt = "Выберите шпильку:";

// Blocks of the stud's name that are not this program's are passed over: name_1 ... name_9.
constexpr int maxNameSuffix = 9;

} // namespace

std::string foreignBlocksText(const std::string& blockName)
{
    return "В чертеже уже есть блоки " + blockName + " и " + blockName + "_1 … " + blockName +
           "_9 с другим содержимым: шпилька не вставлена. Переименуйте один из этих блоков.";
}

void QuorvelDraw::Draw_Block_Quorvel(double d, double L, double b, double b1, double c,
                                     const StudBlock& block, bool solid)
{
    DrawSession& s = m_session;
    OleObject definition; // made by this run: removed again if the run fails
    OleObject reference;  // inserted by this run: likewise
    OleObject original;   // the solid made in model space, until its copy is in the block
    bool foreign = true;  // no name left but those of blocks that are not this program's
    const bool completed = runReported("Draw_Block_Quorvel", HostName::AutoCAD, [&] {
        const OleObject blocks = s.AcadDoc.get("Blocks").toObject();
        // The attribute definitions of a new block, after what it shows.
        const auto addAttributes = [&] {
            for (const StudAttribute& attribute : block.attributes) {
                // POS is created empty for the designer to number: an empty text is a string
                // as the object model wants it (over COM an empty BSTR, never a null one), and
                // the DXF readers here (ezdxf, LibreCAD, FreeCAD) read an empty default alike.
                definition.call("AddAttribute",
                                {attributeHeight, invisibleAttribute, attribute.prompt,
                                 Point{0, 0, 0}, attribute.tag, attribute.value});
            }
        };
        // A definition of that name made by this run.
        const auto define = [&](const std::string& name) {
            if (solid) {
                // A CAD program revolves nothing inside a block: the solid is made in model space
                // as a loose one at the block's base point, copied into the new definition and
                // the model-space one deleted.
                original = MakeSolid(d, L, c, Point{0, 0, 0});
                definition = blocks.call("Add", {Point{0, 0, 0}, name}).toObject();
                const Objects copies =
                    s.AcadDoc.call("CopyObjects", {Objects{original}, definition}).toObjects();
                if (copies.size() != 1) {
                    throw EOleSysError("CopyObjects made " + std::to_string(copies.size()) +
                                           " copies of one solid",
                                       statusFail);
                }
                original.call("Delete", {});
                original.release();
                addAttributes();
                return;
            }
            // The layers as the loose drawing finds or makes them; the entities take the names
            // the layers have in the host.
            const OleObject layers = s.AcadDoc.get("Layers").toObject();
            std::string layerNames[3];
            FindLayer(layers, m_layers.LayerMain, mainColor, layerNames[0]);
            FindLayer(layers, m_layers.LayerThin, thinColor, layerNames[1]);
            FindLayer(layers, m_layers.LayerAxis, axisColor, layerNames[2]);

            definition = blocks.call("Add", {Point{0, 0, 0}, name}).toObject();
            const SideView view = studSideView(d, L, b, b1, c, Point{0, 0, 0});
            Doubles vertices;
            for (const auto& [x, y] : view.outline) {
                vertices.insert(vertices.end(), {x, y});
            }
            const OleObject outline =
                definition.call("AddLightWeightPolyline", {std::move(vertices)}).toObject();
            outline.put("Closed", true);
            outline.put("Layer", layerNames[0]);
            for (const SideViewLine& line : view.lines) {
                const OleObject made = definition
                                           .call("AddLine", {Point{line.from[0], line.from[1], 0},
                                                             Point{line.to[0], line.to[1], 0}})
                                           .toObject();
                made.put("Layer", layerNames[static_cast<int>(line.layer)]);
            }
            addAttributes();
        };
        // The reference with this placement's values (a definition that was there before may
        // carry others); false when the block lacks an attribute of the stud's: not this
        // program's, though of the stud's name (another library's, hand-made).
        const auto insert = [&](const std::string& name) {
            reference = s.AcadDoc.get("ModelSpace")
                            .toObject()
                            .call("InsertBlock", {s.InsPoint, name, 1.0, 1.0, 1.0, 0.0})
                            .toObject();
            const Variant attributes = reference.call("GetAttributes", {});
            std::size_t set = 0;
            for (const OleObject& attribute :
                 attributes.isEmpty() ? Objects{} : attributes.toObjects()) {
                const std::string tag = attribute.get("TagString").toString();
                for (const StudAttribute& own : block.attributes) {
                    if (own.tag == tag) {
                        attribute.put("TextString", own.value);
                        ++set;
                    }
                }
            }
            return set >= block.attributes.size();
        };
        // The stud's name, else the first of name_1 ... name_9 that is free or this program's: a
        // block of the user's is never inserted as the stud nor changed.
        for (int suffix = 0; suffix <= maxNameSuffix && foreign; ++suffix) {
            const std::string name =
                suffix == 0 ? block.name : block.name + "_" + std::to_string(suffix);
            OleObject existing;
            try {
                existing = blocks.call("Item", {name}).toObject();
            } catch (const EOleException&) {
                // No block of that name: the host answers Item with its exception.
            }
            if (!existing) {
                define(name);
            }
            foreign = !insert(name) && existing;
            if (foreign) {
                reference.call("Delete", {});
                reference.release();
            }
        }
        if (foreign) {
            return;
        }
        // The application is looked up first: a CAD program may raise on adding a name it has.
        // One that raises all the same (it has no Item, say) is taken at its word: SetXData
        // tells whether the name is registered.
        const OleObject applications = s.AcadDoc.get("RegisteredApplications").toObject();
        try {
            applications.call("Item", {studApplication});
        } catch (const EOleError&) {
            try {
                applications.call("Add", {studApplication});
            } catch (const EOleException&) {
            }
        }
        reference.call("SetXData", {studDataTypes(), studDataValues(block.stored)});
    });
    if (!completed) {
        // A half-made definition would be shared by every later stud of this size, and a
        // reference without its data could not be reopened: one quiet attempt to remove them,
        // and the solid model space held on the way.
        for (const OleObject* made : {&reference, &definition, &original}) {
            if (*made) {
                try {
                    made->call("Delete", {});
                } catch (const EOleError&) {
                }
            }
        }
    } else if (foreign) {
        m_reporter.show({"Warning", foreignBlocksText(block.name), MessageKind::Warning});
    }
    m_placed =
        completed && !foreign ? std::optional<PlacedBlock>({reference, definition}) : std::nullopt;
}

EditOutcome QuorvelDraw::Edit_Stud()
{
    m_replaced.reset(); // a pick that gives no stud leaves none to replace
    DrawSession& s = m_session;
    EditOutcome outcome = EditOutcome::Cancelled;
    std::optional<StoredStud> stored;
    const bool completed = runReported("Edit_Stud", HostName::AutoCAD, [&] {
        s.AcadApp = m_runningObjects.getActiveObject(m_hostClass);
        s.AcadDoc = s.AcadApp.get("ActiveDocument").toObject();
        s.AcadApp.put("Visible", true);
        Variants picked;
        try {
            picked = s.AcadDoc.get("Utility")
                         .toObject()
                         .call("GetEntity", {OutArgument{}, OutArgument{}, pickPrompt})
                         .toVariants();
        } catch (const EOleException&) {
            return; // Esc or a pick on nothing: the host's exception, nothing changes
        }
        if (picked.empty()) {
            return;
        }
        const OleObject object = picked.at(0).toObject();
        const Variants data =
            object.call("GetXData", {studApplication, OutArgument{}, OutArgument{}}).toVariants();
        if (data.size() == 2) {
            stored = storedStud(data[0].toVariants(), data[1].toVariants());
        }
        if (!stored) {
            outcome = EditOutcome::NotAStud;
            return;
        }
        const std::string handle = object.get("Handle").toString();
        m_replaced = handle; // only a stud picked replaces the one picked before
        outcome = EditOutcome::Picked;
    });
    if (!completed) {
        return EditOutcome::Failed;
    }
    if (outcome == EditOutcome::Picked) {
        m_edited = *stored;
    }
    if (outcome == EditOutcome::NotAStud) {
        m_reporter.show({"Warning", std::string(notAStudText), MessageKind::Warning});
    }
    return outcome;
}
