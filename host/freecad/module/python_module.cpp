// quorvel_model: the stand-in host's object model, its drawing and the drawing's files as a Python
// module, for the FreeCAD add-on (host/freecad/). It links no Qt: FreeCAD runs on Qt 5, the rest
// of the project on Qt 6, and the two never meet in one process.
//
// Values cross as plain Python values (None, bool, int, float, str) and, where a type would be
// lost, as tagged pairs: ("o", path) an object, ("ad", [float]) an array of doubles, ("ao",
// [path]) an array of objects, ("av", [value]) an array of mixed values, ("?", text) a value the
// object model takes nowhere. The add-on turns D-Bus values into these and back.
#include "drawing/files/dxf_export.h"
#include "drawing/files/step_export.h"
#include "host/freecad/module/drawing_mirror.h"
#include "host/freecad/module/drawing_restore.h"
#include "host/freecad/module/step_in_host.h"
#include "host/objects/entities.h"
#include "host/objects/object_model.h"
#include "ui/settings_file.h"

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <stdexcept>
#include <tuple>

#include <limits>

namespace py = pybind11;

namespace {

using cadhost::HostItem;
using cadhost::HostValue;
using cadhost::ObjectRef;
using cadhost::Unsupported;
using freecadhost::MirrorRecord;

// A text of the drawing for Python: UTF-8, a damaged sequence shown as a replacement character
// rather than failing the whole call.
py::str text(const std::string& value)
{
    PyObject* decoded =
        PyUnicode_DecodeUTF8(value.data(), static_cast<Py_ssize_t>(value.size()), "replace");
    if (decoded == nullptr) {
        throw py::error_already_set();
    }
    return py::reinterpret_steal<py::str>(decoded);
}

HostValue toHost(const py::handle& value);

HostValue tagged(const std::string& tag, const py::handle& payload)
{
    if (tag == "o" && py::isinstance<py::str>(payload)) {
        return ObjectRef{payload.cast<std::string>()};
    }
    if (tag == "?") {
        return Unsupported{py::str(payload).cast<std::string>()};
    }
    if (!py::isinstance<py::list>(payload) && !py::isinstance<py::tuple>(payload)) {
        return Unsupported{py::repr(payload).cast<std::string>()};
    }
    const auto items = py::reinterpret_borrow<py::sequence>(payload);
    if (tag == "ad") {
        std::vector<double> numbers;
        for (const py::handle item : items) {
            if (!py::isinstance<py::float_>(item) && !py::isinstance<py::int_>(item)) {
                return Unsupported{"<array>"};
            }
            numbers.push_back(item.cast<double>());
        }
        return numbers;
    }
    if (tag == "ao") {
        std::vector<ObjectRef> objects;
        for (const py::handle item : items) {
            if (!py::isinstance<py::str>(item)) {
                return Unsupported{"<array>"};
            }
            objects.push_back({item.cast<std::string>()});
        }
        return objects;
    }
    if (tag == "av") {
        std::vector<HostItem> list;
        for (const py::handle item : items) {
            bool taken = false;
            std::visit(
                [&list, &taken](const auto& v) {
                    if constexpr (std::is_constructible_v<HostItem, decltype(v)>) {
                        list.push_back(v);
                        taken = true;
                    }
                },
                toHost(item));
            if (!taken) {
                return Unsupported{"<array>"};
            }
        }
        return list;
    }
    return Unsupported{tag};
}

HostValue toHost(const py::handle& value)
{
    if (value.is_none()) {
        return std::monostate{};
    }
    if (py::isinstance<py::bool_>(value)) {
        return value.cast<bool>();
    }
    if (py::isinstance<py::int_>(value)) {
        // Any whole number that fits in 32 bits; a larger one is no argument the model takes.
        int overflow = 0;
        const long long whole = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
        if (overflow == 0 && whole >= std::numeric_limits<std::int32_t>::min() &&
            whole <= std::numeric_limits<std::int32_t>::max()) {
            return static_cast<std::int32_t>(whole);
        }
        return Unsupported{py::str(value).cast<std::string>()};
    }
    if (py::isinstance<py::float_>(value)) {
        return value.cast<double>();
    }
    if (py::isinstance<py::str>(value)) {
        return value.cast<std::string>();
    }
    if (py::isinstance<py::tuple>(value) && py::len(value) == 2) {
        const auto pair = py::reinterpret_borrow<py::tuple>(value);
        if (py::isinstance<py::str>(pair[0])) {
            return tagged(pair[0].cast<std::string>(), pair[1]);
        }
    }
    return Unsupported{py::repr(value).cast<std::string>()};
}

py::object toPython(const HostValue& value)
{
    return std::visit(
        [](const auto& v) -> py::object {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate> || std::is_same_v<T, Unsupported>) {
                return py::none();
            } else if constexpr (std::is_same_v<T, std::string>) {
                return text(v);
            } else if constexpr (std::is_same_v<T, std::vector<double>>) {
                return py::make_tuple("ad", py::cast(v));
            } else if constexpr (std::is_same_v<T, ObjectRef>) {
                return py::make_tuple("o", text(v.path));
            } else if constexpr (std::is_same_v<T, std::vector<ObjectRef>>) {
                py::list paths;
                for (const ObjectRef& object : v) {
                    paths.append(text(object.path));
                }
                return py::make_tuple("ao", paths);
            } else if constexpr (std::is_same_v<T, std::vector<HostItem>>) {
                py::list items;
                for (const HostItem& item : v) {
                    items.append(toPython(cadhost::itemValue(item)));
                }
                return py::make_tuple("av", items);
            } else {
                return py::cast(v);
            }
        },
        value);
}

const char* kindName(MirrorRecord::Kind kind)
{
    switch (kind) {
    case MirrorRecord::Kind::Layer:
        return "layer";
    case MirrorRecord::Kind::Polyline:
        return "polyline";
    case MirrorRecord::Kind::Line:
        return "line";
    case MirrorRecord::Kind::Region:
        return "region";
    case MirrorRecord::Kind::Solid:
        return "solid";
    case MirrorRecord::Kind::Block:
        return "block";
    case MirrorRecord::Kind::Text:
        return "text";
    case MirrorRecord::Kind::Insert:
        break;
    }
    return "insert";
}

py::dict recordDict(const MirrorRecord& record)
{
    py::dict d;
    d["kind"] = kindName(record.kind);
    d["key"] = record.key;
    d["owner"] = record.owner;
    d["digest"] = record.digest;
    d["layer"] = text(record.layer);
    d["color"] = record.color;
    py::list points;
    for (const drawing::Vec2& point : record.points) {
        points.append(py::make_tuple(point.x, point.y));
    }
    d["points"] = points;
    d["closed"] = record.closed;
    d["name"] = text(record.name);
    d["block"] = record.block;
    d["at"] = py::make_tuple(record.x, record.y, record.z);
    d["height"] = record.height;
    d["rotation"] = record.rotation;
    py::list attributes;
    for (const auto& [tag, value] : record.attributes) {
        attributes.append(py::make_tuple(text(tag), text(value)));
    }
    d["attributes"] = attributes;
    py::list data;
    for (const drawing::ExtendedData& one : record.data) {
        py::list items;
        for (const drawing::ExtendedItem& item : one.items) {
            py::object value = std::visit(
                [](const auto& v) -> py::object {
                    if constexpr (std::is_same_v<std::decay_t<decltype(v)>, std::string>) {
                        return text(v);
                    } else {
                        return py::cast(v);
                    }
                },
                item.value);
            items.append(py::make_tuple(static_cast<int>(item.code), value));
        }
        data.append(py::make_tuple(text(one.application), items));
    }
    d["data"] = data;
    py::list layout;
    for (const drawing::AttributeDefinition& definition : record.definitions) {
        layout.append(py::make_tuple(text(definition.prompt), definition.at.x, definition.at.y,
                                     definition.height, definition.invisible));
    }
    d["layout"] = layout;
    d["axis"] = py::cast(record.axis);
    py::list threads;
    for (const drawing::ThreadStretch& thread : record.threads) {
        threads.append(py::make_tuple(text(thread.name), thread.from, thread.to));
    }
    d["threads"] = threads;
    return d;
}

// A field of a record read back from a document: its value, or fallback when it is not there.
template <typename T> T field(const py::dict& d, const char* name, T fallback = {})
{
    return d.contains(name) ? d[name].cast<T>() : fallback;
}

// An object of the document as the add-on reads it back, in the form records() gives (with the
// drawing it belongs to and a solid's BREP text); nothing for a kind this module does not know.
std::optional<freecadhost::SavedObject> savedObject(const py::dict& d)
{
    using Kind = MirrorRecord::Kind;
    freecadhost::SavedObject saved;
    MirrorRecord& record = saved.record;
    const std::string kind = field<std::string>(d, "kind");
    bool known = false;
    for (const Kind each : {Kind::Layer, Kind::Polyline, Kind::Line, Kind::Region, Kind::Solid,
                            Kind::Block, Kind::Insert, Kind::Text}) {
        if (kind == kindName(each)) {
            record.kind = each;
            known = true;
        }
    }
    if (!known) {
        return std::nullopt;
    }
    record.key = field<std::string>(d, "key");
    record.owner = field<std::string>(d, "owner");
    record.layer = field<std::string>(d, "layer");
    record.color = field<std::int32_t>(d, "color");
    for (const auto& [x, y] : field<std::vector<std::pair<double, double>>>(d, "points")) {
        record.points.push_back({x, y});
    }
    record.closed = field<bool>(d, "closed");
    record.name = field<std::string>(d, "name");
    std::tie(record.x, record.y, record.z) =
        field<std::tuple<double, double, double>>(d, "at", {0, 0, 0});
    record.height = field<double>(d, "height");
    record.rotation = field<double>(d, "rotation");
    record.attributes = field<decltype(record.attributes)>(d, "attributes");
    using Item = std::variant<std::int32_t, double, std::string>;
    for (const auto& [application, items] :
         field<std::vector<std::pair<std::string, std::vector<std::pair<int, Item>>>>>(d, "data")) {
        drawing::ExtendedData data{application, {}};
        for (const auto& [code, value] : items) {
            if (code < INT16_MIN || code > INT16_MAX) {
                continue;
            }
            drawing::ExtendedItem item{static_cast<std::int16_t>(code), std::string()};
            std::visit([&item](const auto& v) { item.value = v; }, value);
            data.items.push_back(std::move(item));
        }
        record.data.push_back(std::move(data));
    }
    // A block's definitions: the tags and defaults of "attributes", the rest from "layout" (a
    // document without it: as the program defines its attributes, invisible, 2.5 high, at the
    // base point).
    if (record.kind == Kind::Block) {
        const auto layout =
            field<std::vector<std::tuple<std::string, double, double, double, bool>>>(d, "layout");
        for (std::size_t i = 0; i < record.attributes.size(); ++i) {
            const auto& [tag, value] = record.attributes[i];
            drawing::AttributeDefinition definition{tag, tag, value, {0, 0}, 2.5, true};
            if (i < layout.size()) {
                std::tie(definition.prompt, definition.at.x, definition.at.y, definition.height,
                         definition.invisible) = layout[i];
            }
            record.definitions.push_back(std::move(definition));
        }
    }
    record.axis = field<std::array<double, 6>>(d, "axis", record.axis);
    for (const auto& [name, from, to] :
         field<std::vector<std::tuple<std::string, double, double>>>(d, "threads")) {
        record.threads.push_back({name, from, to});
    }
    saved.drawing = field<std::string>(d, "drawing");
    saved.brep = field<std::string>(d, "brep");
    return saved;
}

// One drawing served by the object model, with its mirror in the CAD program's document.
class Model {
  public:
    Model() : m_model(m_drawing) {}

    py::tuple invoke(const std::string& path, const std::string& member, std::int32_t kind,
                     const py::list& args)
    {
        std::vector<HostValue> values;
        for (const py::handle arg : args) {
            values.push_back(toHost(arg));
        }
        const cadhost::InvokeResult result = m_model.invoke(path, member, kind, values);
        switch (result.status) {
        case cadhost::InvokeResult::Status::Done:
            return py::make_tuple("done", toPython(result.value), "", "", "");
        case cadhost::InvokeResult::Status::Failed:
            return failure(result.error);
        case cadhost::InvokeResult::Status::AwaitingPick:
            break;
        }
        return py::make_tuple("awaiting", py::none(), "", "", text(result.prompt));
    }

    py::object answerPick(double x, double y)
    {
        const auto value = m_model.answerPick({x, y});
        return value ? py::make_tuple(toPython(*value)) : py::object(py::none());
    }

    // The pick answered with the mirrored object the user clicked on.
    py::object answerEntityPick(const std::string& key, double x, double y)
    {
        const auto handle = m_mirror.entityHandle(m_drawing, key);
        if (!handle) {
            return py::none();
        }
        const auto value = m_model.answerEntityPick(cadhost::entityRef(*handle), {x, y});
        return value ? py::make_tuple(toPython(*value)) : py::object(py::none());
    }

    py::object cancelPick(const std::string& reason)
    {
        const auto error = m_model.cancelPick(reason);
        return error ? py::object(failure(*error)) : py::object(py::none());
    }

    py::list records()
    {
        py::list list;
        for (const MirrorRecord& record : m_mirror.records(m_drawing)) {
            list.append(recordDict(record));
        }
        return list;
    }

    py::tuple reconcile(const std::set<std::string>& present)
    {
        const auto result = m_mirror.reconcile(m_drawing, present);
        return py::make_tuple(result.withdrawn, result.reinstated);
    }

    py::object solidBrep(const std::string& key)
    {
        const auto brep = m_mirror.solidBrep(m_drawing, key);
        return brep ? py::object(py::bytes(*brep)) : py::object(py::none());
    }

    void setMirrored(const std::set<std::string>& keys) { m_mirror.setMirrored(m_drawing, keys); }

    // Builds the drawing from the objects of a document saved earlier; for each object (key,
    // digest) to tag it with, or None when it is left out of the drawing.
    py::list restore(const py::list& objects)
    {
        if (!m_drawing.blocks.empty() || !m_drawing.inserts.empty() ||
            m_drawing.layers.size() > 1 || m_model.callCount() > 0) {
            throw std::logic_error("a drawing is restored before anything is drawn into it");
        }
        std::vector<freecadhost::SavedObject> saved;
        std::vector<std::optional<std::size_t>> place;
        for (const py::handle object : objects) {
            auto one = savedObject(py::reinterpret_borrow<py::dict>(object));
            place.push_back(one ? std::optional<std::size_t>(saved.size()) : std::nullopt);
            if (one) {
                saved.push_back(std::move(*one));
            }
        }
        const auto records = freecadhost::restoreDrawing(m_drawing, m_mirror, saved);
        py::list tags;
        for (const auto& at : place) {
            if (at && records[*at]) {
                tags.append(py::make_tuple(records[*at]->key, records[*at]->digest));
            } else {
                tags.append(py::none());
            }
        }
        return tags;
    }

    // The file of the CAD program's document, which names the drawing (Document.Name and
    // Document.Path); "" while the document has none.
    void setDocumentFile(const std::string& file) { m_drawing.file = file; }

    bool saveDxf(const std::string& file) const { return drawing::saveDxf(m_drawing, file); }
    void saveStep(const std::string& file) const
    {
        freecadhost::saveStepKeepingSettings(m_drawing, file);
    }

    cadhost::ObjectModel& model() { return m_model; }
    freecadhost::DrawingMirror& mirror() { return m_mirror; }

  private:
    static py::tuple failure(const cadhost::HostError& error)
    {
        return py::make_tuple("failed", py::none(), cadhost::errorName(error.kind),
                              text(error.text), "");
    }

    drawing::CadDrawing m_drawing;
    cadhost::ObjectModel m_model;
    freecadhost::DrawingMirror m_mirror;
};

cadhost::FailKind failKind(const std::string& name)
{
    if (name == "exception") {
        return cadhost::FailKind::Exception;
    }
    if (name == "syserror") {
        return cadhost::FailKind::SysError;
    }
    if (name == "unknown") {
        return cadhost::FailKind::UnknownName;
    }
    throw py::value_error("a failure is exception, syserror or unknown, not " + name);
}

} // namespace

PYBIND11_MODULE(quorvel_model, module)
{
    module.doc() = "The Quorvel stand-in host's object model and drawing, without Qt";
    py::register_exception<drawing::StepSaveError>(module, "StepSaveError");

    py::class_<Model>(module, "Model")
        .def(py::init<>())
        .def("invoke", &Model::invoke, py::arg("path"), py::arg("member"), py::arg("kind"),
             py::arg("args"),
             "(status, value, error name, error text, prompt); status done, failed or awaiting")
        .def("set_call_log",
             [](Model& self, const std::string& file) { return self.model().setCallLog(file); })
        .def("fail_call",
             [](Model& self, int index, const std::string& kind) {
                 self.model().failCall(index, failKind(kind));
             })
        .def(
            "set_scripted_points",
            [](Model& self, const std::vector<std::pair<double, double>>& points, bool headless,
               bool repeat) {
                std::deque<drawing::Vec2> list;
                for (const auto& [x, y] : points) {
                    list.push_back({x, y});
                }
                self.model().setScriptedPoints(std::move(list), headless, repeat);
            },
            py::arg("points"), py::arg("headless"), py::arg("repeat") = false)
        .def("waiting_for_pick", [](Model& self) { return self.model().waitingForPick(); })
        .def("pick_takes",
             [](Model& self, double x, double y) {
                 return self.model().pickTakes({x, y});
             })
        .def("answer_pick", &Model::answerPick, "(value,) or None when no pick waits")
        .def("answer_entity_pick", &Model::answerEntityPick, py::arg("key"), py::arg("x"),
             py::arg("y"), "(value,) or None when no GetEntity waits or key names no entity")
        .def("cancel_pick", &Model::cancelPick, py::arg("reason") = "Point selection cancelled",
             "the failure tuple of invoke(), or None when no pick waits")
        .def("records", &Model::records)
        .def("set_mirrored",
             [](Model& self, const std::set<std::string>& keys) { self.setMirrored(keys); })
        .def("reconcile", &Model::reconcile, "(withdrawn keys, reinstated keys)")
        .def("restore", &Model::restore, py::arg("objects"),
             "builds the drawing from a saved document's objects (dicts as records() gives, with "
             "drawing and brep): for each (key, digest) or None when left out")
        .def("solid_brep", &Model::solidBrep)
        .def("set_document_file", &Model::setDocumentFile, py::arg("file"),
             "the document's file, \"\" when it has none: Document.Name and Document.Path")
        .def("save_dxf", &Model::saveDxf)
        .def("save_step", &Model::saveStep);

    module.def(
        "cad_application",
        [](const std::string& settingsFile) { return readSettings(settingsFile).cadApplication; },
        "the class name that the settings file's [CAD] Application names (empty when blank)");
}
