#pragma once
// The stand-in host's automation object model without any transport: Application, Document,
// Utility, Layers and each Layer, ModelSpace and the entities made in it, over a CadDrawing. A
// D-Bus adaptor (Linux) or a COM adaptor (Windows test host) turns its calls into invoke() and its
// outcome into a reply. It checks what it is given as a COM server does, keeps the call log,
// injects failures for tests and answers GetPoint from scripted points or leaves it waiting for a
// pick. Each object family has a file of its own beside this one (application_document.cpp,
// utility.cpp, layers.cpp, entities.cpp, entity_collections.cpp, texts.cpp, copy_objects.cpp,
// blocks.cpp, block_references.cpp, extended_data.cpp, registered_applications.cpp, handles.cpp,
// picks.cpp, selection_sets.cpp); call_checks.h holds the COM-style checks they share.

#include "host/objects/drawing_names.h"
#include "host/objects/entities.h"
#include "host/objects/host_value.h"

#include <deque>
#include <fstream>
#include <map>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace cadhost {

// How a call can fail; each has its own error name (errorName) on the wire.
enum class ErrorKind {
    Exception,      // the host's own exception; the text is its description
    UnknownName,    // no member of that name
    MemberNotFound, // the member exists, but not for that kind of call
    BadParamCount,  // the wrong number of arguments
    TypeMismatch,   // an argument of the wrong type or out of range
    Failed,         // any other failure (no such object, injected failure)
};

// "org.quorvel.Automation.Exception" and so on.
const char* errorName(ErrorKind kind);

struct HostError {
    ErrorKind kind;
    std::string text;
};

// The failure that --fail injects.
enum class FailKind { Exception, SysError, UnknownName };

struct InvokeResult {
    enum class Status {
        Done,         // value holds the result
        Failed,       // error holds the failure
        AwaitingPick, // GetPoint waits: answer with answerPick() or cancelPick()
    };
    Status status = Status::Done;
    HostValue value;
    HostError error{ErrorKind::Failed, {}};
    std::string prompt; // GetPoint's prompt while it waits
};

class ObjectModel {
  public:
    explicit ObjectModel(CadDrawing& drawing);

    // One line per call: object, member, kind, arguments, then "-> result" or "!! name: text".
    bool setCallLog(const std::string& file);
    // Fails that call with that kind; each call given fails (a later kind replaces an earlier).
    void failCall(int oneBasedIndex, FailKind kind);
    // The calls invoked so far, failed ones included: the next call is callCount() + 1.
    int callCount() const { return m_callCount; }
    // repeat: the points are taken in a cycle instead of once (benchmarks). headless: with no
    // scripted point left GetPoint is refused instead of waiting for a pick.
    void setScriptedPoints(std::deque<Vec2> points, bool headless, bool repeat = false);

    // kind is the COM-style bit set: 1 method, 2 property get, 4 property put.
    InvokeResult invoke(const std::string& path, const std::string& member, std::int32_t kind,
                        const std::vector<HostValue>& args);

    bool waitingForPick() const { return m_pendingCall.has_value(); }
    // The reply to the waiting GetPoint or GetEntity (logged); nothing when none waits.
    std::optional<HostValue> answerPick(Vec2 point);
    // The reply to the waiting GetEntity with the entity the user picked as an object (a click on
    // its shape in a 3D view rather than a point near its lines); nothing when no GetEntity waits.
    std::optional<HostValue> answerEntityPick(const ObjectRef& entity, Vec2 point);
    // Whether a click at point answers the waiting pick: always for GetPoint; for GetEntity only
    // on an entity (a click on nothing leaves it waiting, Esc cancels it).
    bool pickTakes(Vec2 point);
    // The topmost entity within the pick distance of point (picks.cpp): block references first,
    // then lines and polylines drawn last; a command-drawn one gets its handle here.
    std::optional<ObjectRef> entityAt(Vec2 point);
    // Refuses the waiting GetPoint with the host's exception (logged); nothing when none waits.
    std::optional<HostError> cancelPick(const std::string& reason = "Point selection cancelled");

    CadDrawing& drawing() { return m_drawing; }

  private:
    HostValue dispatch(const std::string& path, const std::string& member, std::int32_t kind,
                       const std::vector<HostValue>& args, InvokeResult& result);
    HostValue application(const std::string& member, std::int32_t kind,
                          const std::vector<HostValue>& args);
    HostValue document(const std::string& member, std::int32_t kind,
                       const std::vector<HostValue>& args);
    HostValue utility(const std::string& member, std::int32_t kind,
                      const std::vector<HostValue>& args, InvokeResult& result);
    HostValue layers(const std::string& member, std::int32_t kind,
                     const std::vector<HostValue>& args);
    HostValue layer(std::size_t index, const std::string& member, std::int32_t kind,
                    const std::vector<HostValue>& args);
    // The calls of a container of entities (ModelSpace, a block's definition):
    // AddLightWeightPolyline, AddLine, AddRegion, AddRevolvedSolid, AddText, Count, Item.
    HostValue container(const EntityContainer& where, const std::string& member, std::int32_t kind,
                        const std::vector<HostValue>& args);
    // Count and Item of a container (entity_collections.cpp); visits its entities in that order
    // from position `from` while visit returns true, giving each one a handle it lacks.
    HostValue entityCollection(const EntityContainer& where, const std::string& member,
                               std::int32_t kind, const std::vector<HostValue>& args);
    void forEachEntity(const EntityContainer& where,
                       const std::function<bool(const EntityView&)>& visit, std::size_t from = 0);
    // Texts (texts.cpp): AddText in a container, and a text's members.
    HostValue addText(const EntityContainer& where, const std::string& member, std::int32_t kind,
                      const std::vector<HostValue>& args);
    Text* findText(Handle handle, std::vector<Text>** list);
    HostValue text(Text& text, std::vector<Text>& list, const std::string& member,
                   std::int32_t kind, const std::vector<HostValue>& args);
    // Selection sets (selection_sets.cpp): Document.SelectionSets and the collection at
    // "/SelectionSets", and one set at "/SelectionSets/<id>".
    HostValue selectionSets(const std::string& path, const std::string& member, std::int32_t kind,
                            const std::vector<HostValue>& args);
    HostValue selectionSet(const std::string& path, const std::string& member, std::int32_t kind,
                           const std::vector<HostValue>& args);
    // Closed, Layer and Delete of the entity with that handle.
    HostValue entity(Handle handle, const std::string& member, std::int32_t kind,
                     const std::vector<HostValue>& args);
    // Blocks (blocks.cpp): the document's Blocks and RegisteredApplications, the Blocks
    // collection, a block's definition. Block references (block_references.cpp): model space's
    // InsertBlock, a reference, one of its attributes. The registered applications
    // (registered_applications.cpp). A line's members (entities.cpp). The Handle and GetXData of
    // any other entity (extended_data.cpp). HandleToObject (handles.cpp). Utility.GetEntity
    // (picks.cpp).
    HostValue blockDocument(const std::string& member, std::int32_t kind,
                            const std::vector<HostValue>& args);
    HostValue blocksCollection(const std::string& member, std::int32_t kind,
                               const std::vector<HostValue>& args);
    HostValue block(Handle handle, const std::string& member, std::int32_t kind,
                    const std::vector<HostValue>& args);
    HostValue insertBlock(const std::vector<HostValue>& args, std::int32_t kind);
    HostValue blockReference(Handle handle, const std::string& member, std::int32_t kind,
                             const std::vector<HostValue>& args);
    HostValue attribute(const std::string& path, const std::string& member, std::int32_t kind,
                        const std::vector<HostValue>& args);
    HostValue applications(const std::string& member, std::int32_t kind,
                           const std::vector<HostValue>& args);
    HostValue line(Line& line, std::vector<Line>& list, const std::string& member,
                   std::int32_t kind, const std::vector<HostValue>& args);
    Line* findLine(Handle handle, std::vector<Line>** list);
    HostValue entityData(Handle handle, const std::string& member, std::int32_t kind,
                         const std::vector<HostValue>& args);
    HostValue handleToObject(const std::string& member, std::int32_t kind,
                             const std::vector<HostValue>& args);
    // Document.CopyObjects (copy_objects.cpp).
    HostValue copyObjects(const std::vector<HostValue>& args, std::int32_t kind);
    HostValue getEntity(const std::vector<HostValue>& args, std::int32_t kind,
                        InvokeResult& result);
    Block* findBlock(Handle handle);
    Insert* findInsert(Handle handle);
    EntityContainer modelSpace();
    // Every container entities live in; a handle names one entity over all of them.
    std::vector<EntityContainer> entityContainers();
    void log(const std::string& call, const std::string& outcome);

    // A named selection set: the handles it holds, in the order taken.
    struct SelectionSet {
        std::string name;
        std::size_t id; // its path's number, never given again
        std::vector<Handle> items;
    };
    SelectionSet* findSelectionSet(std::size_t id);

    CadDrawing& m_drawing;
    std::vector<SelectionSet> m_selectionSets;
    std::size_t m_lastSelectionSet = 0;
    std::ofstream m_log;
    int m_callCount = 0;
    std::map<int, FailKind> m_failures; // by the call's one-based index
    std::deque<Vec2> m_scriptedPoints;
    bool m_headless = false;
    bool m_repeatPoints = false;
    std::optional<std::string> m_pendingCall; // call text of the waiting GetPoint or GetEntity
    bool m_pendingEntity = false;             // the waiting pick is GetEntity's
    std::int32_t m_delobj = 0; // DELOBJ: not 0, AddRegion erases the curves it was made of
};

} // namespace cadhost
