#pragma once
// An in-process stand-in CAD host: serves Application, Document, Utility, Layers, Layer, ModelSpace
// and the entities it makes, and for studs placed as blocks Blocks, a block's entities and
// attribute definitions, block references with their attributes and extended data, and
// RegisteredApplications; records every call in order and can be told to fail the N-th call with
// any automation kind. Where the object model's reference is strict it is strict too: extended
// data's group 1070 takes a 16-bit integer only, RegisteredApplications.Add raises for a name that
// is there, and a revolve inside a block is refused (a solid gets into a block by CopyObjects).

#include "cad/automation.h"

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

struct RecordedCall {
    std::string object; // "ROT", "Application", "Document", "Utility", "Layers", "Layer:<name>",
                        // "ModelSpace", "Entity:<n>"
    std::string member;
    InvokeKind kind;
    std::vector<std::string> args; // texts of the arguments (see argumentText)
};

// "Document.SendCommand(_ZOOM\r_P\r)", "Application.Visible:put(true)", "Layers.Count:get()".
std::string callText(const RecordedCall& call);

enum class FailKind { Exception, SysError, Error };

class RecordingHost : public RunningObjects {
  public:
    struct LayerState {
        std::string name;
        std::int32_t color;
    };

    // A block definition: its name and attribute definitions (tag, default value); entities
    // counts what was drawn into it.
    struct BlockState {
        std::string name;
        std::size_t entities = 0;
        std::vector<std::pair<std::string, std::string>> attributes;
    };
    // A block reference, "BlockRef:<handle>"; attributes by tag.
    struct ReferenceState {
        std::string handle;
        std::string block;
        Point point{};
        std::map<std::string, std::string> attributes;
        Variant dataTypes;
        Variant dataValues;
        bool deleted = false;
    };

    RecordingHost();

    // RunningObjects: the look-up is recorded as call 0 ("ROT.GetActiveObject").
    OleObject getActiveObject(std::string_view className) override;

    bool running = true;
    Point pickedPoint{0, 0, 0};
    bool exactPolarPoint = true; // false: x + r cos a, y + r sin a as a real host computes it
    std::int32_t osmode = 39;
    std::int32_t cmddia = 1;
    std::vector<LayerState> layers{{"0", 7}};
    std::size_t activeLayer = 0;
    std::vector<BlockState> blocks;
    std::vector<ReferenceState> references;
    // The label of the object Utility.GetEntity answers with ("BlockRef:1", "Entity:3"); none:
    // the host's exception, as for Esc.
    std::optional<std::string> pickedEntity;
    std::vector<std::string> applications; // registered for extended data
    // AddRegion erases the curves it was made of, as a CAD program does with DELOBJ set; their
    // Delete then raises the host's exception.
    bool erasesRegionCurves = false;
    std::set<std::string> erased; // entities erased by the host or deleted ("Entity:1")
    std::map<std::string, std::size_t> copied; // objects copied into a block, by the block's name

    // The references not deleted.
    std::vector<const ReferenceState*> liveReferences() const;
    // The entities made in model space and neither deleted nor erased ("Entity:3").
    std::vector<std::string> liveEntities() const;

    // Fails the call with this index (0 = the look-up) with the given kind; may be repeated.
    void failCall(std::size_t index, FailKind kind);
    // Throws a non-automation error at this call.
    void throwForeignAt(std::size_t index);

    const std::vector<RecordedCall>& calls() const { return m_calls; }
    std::vector<std::string> callTexts() const;
    std::vector<std::string> commands() const; // SendCommand texts only

    // Internal: used by the served objects.
    Variant dispatch(const std::string& object, std::string_view member, InvokeKind kind,
                     const std::vector<Variant>& args);

  private:
    void record(const std::string& object, std::string_view member, InvokeKind kind,
                const std::vector<Variant>& args);
    OleObject objectFor(const std::string& label);

    std::vector<RecordedCall> m_calls;
    std::map<std::size_t, FailKind> m_failures;
    std::optional<std::size_t> m_foreignIndex;
    std::map<std::string, OleObject> m_objects;
    int m_entities = 0; // entities made in model space: "Entity:1", ...
};
