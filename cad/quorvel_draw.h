#pragma once
// The drawing unit Quorvel_Draw: attaches to the running CAD host, asks for the insertion point
// and has the stud drawn as a 2D side view or built as a 3D part, all through command texts.
// Every automation failure is reported here in the unit's three-line form; other errors propagate.

#include "cad/automation.h"
#include "cad/draw_report.h"
#include "cad/draw_session.h"
#include "cad/reporter.h"
#include "cad/stud_block.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

// The three layer names of the 2D drawing (settings file, section "Слои").
struct LayerNames {
    std::string LayerMain = "2";
    std::string LayerThin = "1";
    std::string LayerAxis = "7";
};

// Colour numbers (host colour index) given to a layer that the drawing creates.
inline constexpr std::int32_t mainColor = 6;
inline constexpr std::int32_t thinColor = 2;
inline constexpr std::int32_t axisColor = 5;

inline constexpr std::string_view hostClassName = "AutoCAD.Application";

// What the pick of a placed stud came to.
enum class EditOutcome {
    Picked,    // a stud of this program: its sizes are edited(), the next block replaces it
    Cancelled, // Esc or a pick on nothing: nothing changes
    NotAStud,  // anything else was picked; the message has been shown
    Failed,    // an automation failure, reported
};

// The message for a picked object that is no stud of this program.
inline constexpr std::string_view notAStudText =
    "Выбранный объект не является шпилькой, начерченной этой программой.";

class QuorvelDraw {
  public:
    // The references must outlive this object; layers is read at each 2D drawing.
    QuorvelDraw(RunningObjects& runningObjects, Reporter& reporter, const LayerNames& layers);

    // One click of "Чертить": d, the overall length L, b, b1 and c in drawing units. Returns
    // normally after reporting an automation failure. With a block, the 2D stud is placed as
    // that block instead of loose lines; after a stud was picked for editing, it replaces that
    // stud at its insertion point without a new pick, keeping the placement's own POS and QTY.
    // The replacement is whole or nothing: when the picked stud cannot be deleted, the new one
    // is deleted again and the picked one stays picked, as after any failed run. A stud picked
    // and since erased (or no longer the stud picked) is drawn as new; a drawing that is no
    // block forgets the picked stud.
    void Start_ACAD(bool Is3D, const std::string& PartName, double d, double L, double b, double b1,
                    double c, const StudBlock* block = nullptr);

    // «Изменить…»: asks the user to pick a placed stud in the CAD window. Reports an automation
    // failure and a picked object that is no stud of this program. Every pick starts afresh:
    // the stud picked before is forgotten, and only a stud picked now is replaced next.
    EditOutcome Edit_Stud();
    // The sizes of the stud picked last; valid while replacing().
    const StoredStud& edited() const { return m_edited; }
    // Forgets the picked stud: the next block is placed as a new one.
    void forgetEdited() { m_replaced.reset(); }
    // Whether the next block replaces a picked stud.
    bool replacing() const { return m_replaced.has_value(); }

    // The class name Start_ACAD looks up (on Linux the bus name): hostClassName until set.
    // Only the look-up changes; the messages keep naming the CAD program as they do.
    void setHostClass(std::string className) { m_hostClass = std::move(className); }

    // How Start_ACAD builds the 3D stud: false (the default) with the part commands of the
    // part-modelling add-on, true as a solid through the object model (model space's
    // AddLightWeightPolyline, AddRegion and AddRevolvedSolid), which any program with the same
    // automation interface offers.
    void setSolid3D(bool solid) { m_solid3D = solid; }

    DrawSession& session() { return m_session; }

  private:
    void Draw_2D_Quorvel(double d, double L, double b, double b1, double c);
    void Draw_3D_Quorvel(const std::string& PartName, double d, double L, double b, double b1,
                         double c);
    void Draw_3D_Solid(double d, double L, double c);
    // solid: the block holds the solid of the object model instead of the 2D side view.
    void Draw_Block_Quorvel(double d, double L, double b, double b1, double c,
                            const StudBlock& block, bool solid);
    // The picked stud when it is still in the drawing as it was picked, with the placement's
    // own attribute values (POS, QTY) copied into block; else an empty reference, the picked
    // stud forgotten.
    OleObject FindReplaced(StudBlock& block);
    // Deletes the replaced stud once the new one stands; when it cannot be deleted, deletes the
    // new one again and reports the replacement as not made.
    void Replace_Stud(const OleObject& old);
    OleObject ActivateLayer(const OleObject& layers, const std::string& name, std::int32_t color);
    // The layer of that name (compared as the 2D drawing compares them), added with the colour
    // when there is none; the name the layer has in the host goes to layerName.
    OleObject FindLayer(const OleObject& layers, const std::string& name, std::int32_t color,
                        std::string& layerName);
    void sendCommand(const std::string& text);

    // Runs body; reports an automation failure of it (most specific kind first) and returns false.
    bool runReported(std::string_view procedure, HostName host, const std::function<void()>& body);
    // Runs body; the kind of its automation failure (most specific first), none when it passed.
    static std::optional<OleErrorKind> automationFailure(const std::function<void()>& body);

    RunningObjects& m_runningObjects;
    Reporter& m_reporter;
    const LayerNames& m_layers;
    std::string m_hostClass{hostClassName};
    bool m_solid3D = false;
    DrawSession m_session;
    std::optional<std::string> m_replaced; // the handle of the stud picked for editing
    StoredStud m_edited;
    // What the last block run placed, when it completed: the reference, and the definition when
    // the run made it (empty when it was there before).
    struct PlacedBlock {
        OleObject reference;
        OleObject definition;
    };
    std::optional<PlacedBlock> m_placed;
};
