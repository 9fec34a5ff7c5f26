#include "recording_host.h"

#include "model/number_text.h"

#include <algorithm>
#include <cmath>

namespace {

class ServedObject : public AutomationObject {
  public:
    ServedObject(RecordingHost& host, std::string label) : m_host(host), m_label(std::move(label))
    {
    }
    Variant invoke(std::string_view member, InvokeKind kind,
                   const std::vector<Variant>& args) override
    {
        return m_host.dispatch(m_label, member, kind, args);
    }
    const std::string& label() const { return m_label; }

  private:
    RecordingHost& m_host;
    std::string m_label;
};

std::string argumentText(const Variant& value)
{
    struct Visitor {
        std::string operator()(std::monostate) const { return "<empty>"; }
        std::string operator()(bool v) const { return v ? "true" : "false"; }
        std::string operator()(std::int32_t v) const { return std::to_string(v); }
        std::string operator()(double v) const { return numberText(v); }
        std::string operator()(const std::string& v) const { return v; }
        std::string operator()(const Point& p) const
        {
            return "(" + numberText(p[0]) + "," + numberText(p[1]) + "," + numberText(p[2]) + ")";
        }
        std::string operator()(const Doubles& numbers) const
        {
            std::string text = "(";
            for (std::size_t i = 0; i < numbers.size(); ++i) {
                text += (i ? "," : "") + numberText(numbers[i]);
            }
            return text + ")";
        }
        std::string operator()(const OleObject& o) const
        {
            const auto* served = dynamic_cast<const ServedObject*>(o.object());
            return served ? served->label() : "<nothing>";
        }
        std::string operator()(const Objects& objects) const
        {
            std::string text = "[";
            for (std::size_t i = 0; i < objects.size(); ++i) {
                text += (i ? ", " : "") + (*this)(objects[i]);
            }
            return text + "]";
        }
        std::string operator()(const Shorts& numbers) const
        {
            std::string text = "(";
            for (std::size_t i = 0; i < numbers.size(); ++i) {
                text += (i ? "," : "") + std::to_string(numbers[i]);
            }
            return text + ")";
        }
        std::string operator()(const Variants& values) const
        {
            std::string text = "[";
            for (std::size_t i = 0; i < values.size(); ++i) {
                text += (i ? ", " : "") + std::visit(*this, values[i].value());
            }
            return text + "]";
        }
        std::string operator()(OutArgument) const { return "<out>"; }
    };
    return std::visit(Visitor{}, value.value());
}

} // namespace

std::string callText(const RecordedCall& call)
{
    std::string text = call.object + "." + call.member;
    if (call.kind == InvokeKind::PropertyGet) {
        text += ":get";
    } else if (call.kind == InvokeKind::PropertyPut) {
        text += ":put";
    }
    text += "(";
    for (std::size_t i = 0; i < call.args.size(); ++i) {
        text += (i ? ", " : "") + call.args[i];
    }
    return text + ")";
}

RecordingHost::RecordingHost() = default;

std::vector<const RecordingHost::ReferenceState*> RecordingHost::liveReferences() const
{
    std::vector<const ReferenceState*> live;
    for (const ReferenceState& reference : references) {
        if (!reference.deleted) {
            live.push_back(&reference);
        }
    }
    return live;
}

void RecordingHost::failCall(std::size_t index, FailKind kind)
{
    m_failures[index] = kind;
}

void RecordingHost::throwForeignAt(std::size_t index)
{
    m_foreignIndex = index;
}

std::vector<std::string> RecordingHost::callTexts() const
{
    std::vector<std::string> texts;
    for (const RecordedCall& call : m_calls) {
        texts.push_back(callText(call));
    }
    return texts;
}

std::vector<std::string> RecordingHost::commands() const
{
    std::vector<std::string> texts;
    for (const RecordedCall& call : m_calls) {
        if (call.member == "SendCommand") {
            texts.push_back(call.args.at(0));
        }
    }
    return texts;
}

void RecordingHost::record(const std::string& object, std::string_view member, InvokeKind kind,
                           const std::vector<Variant>& args)
{
    RecordedCall call{object, std::string(member), kind, {}};
    for (const Variant& arg : args) {
        call.args.push_back(argumentText(arg));
    }
    m_calls.push_back(std::move(call));
    const std::size_t index = m_calls.size() - 1;
    if (m_foreignIndex == index) {
        throw std::logic_error("foreign failure");
    }
    if (const auto failure = m_failures.find(index); failure != m_failures.end()) {
        switch (failure->second) {
        case FailKind::Exception:
            throw EOleException("host refused", "RecordingHost", "", 0, statusException);
        case FailKind::SysError:
            throw EOleSysError("call failed", statusFail);
        case FailKind::Error:
            throw EOleError("Unknown name");
        }
    }
}

OleObject RecordingHost::objectFor(const std::string& label)
{
    auto found = m_objects.find(label);
    if (found == m_objects.end()) {
        found =
            m_objects.emplace(label, OleObject(std::make_shared<ServedObject>(*this, label))).first;
    }
    return found->second;
}

OleObject RecordingHost::getActiveObject(std::string_view className)
{
    record("ROT", "GetActiveObject", InvokeKind::Method, {std::string(className)});
    if (!running) {
        throw EOleSysError("Operation unavailable", statusUnavailable);
    }
    return objectFor("Application");
}

Variant RecordingHost::dispatch(const std::string& object, std::string_view member, InvokeKind kind,
                                const std::vector<Variant>& args)
{
    record(object, member, kind, args);
    const bool get = kind == InvokeKind::PropertyGet;
    const bool put = kind == InvokeKind::PropertyPut;
    if (object == "Application") {
        if (member == "ActiveDocument" && get) {
            return objectFor("Document");
        }
        if (member == "Visible" && put) {
            return {};
        }
    } else if (object == "Document") {
        if (member == "GetVariable") {
            return args.at(0).toString() == "OSMODE" ? osmode : cmddia;
        }
        if (member == "SetVariable") {
            (args.at(0).toString() == "OSMODE" ? osmode : cmddia) = args.at(1).toInt32();
            return {};
        }
        if (member == "SendCommand") {
            const std::string text = args.at(0).toString();
            if (text == "CMDDIA\r0\r" || text == "CMDDIA\r1\r") {
                cmddia = text[7] - '0';
            }
            return {};
        }
        if (member == "Utility" && get) {
            return objectFor("Utility");
        }
        if (member == "Layers" && get) {
            return objectFor("Layers");
        }
        if (member == "ModelSpace" && get) {
            return objectFor("ModelSpace");
        }
        if ((member == "Blocks" || member == "RegisteredApplications") && get) {
            return objectFor(std::string(member));
        }
        if (member == "HandleToObject") {
            for (const ReferenceState& reference : references) {
                if (!reference.deleted && reference.handle == args.at(0).toString()) {
                    return objectFor("BlockRef:" + reference.handle);
                }
            }
            throw EOleException("Invalid handle", "RecordingHost", "", 0, statusException);
        }
        if (member == "ActiveLayer" && get) {
            return objectFor("Layer:" + (activeLayer < layers.size() ? layers[activeLayer].name
                                                                     : std::string("<none>")));
        }
        if (member == "ActiveLayer" && put) {
            const std::string label = argumentText(args.at(0));
            for (std::size_t i = 0; i < layers.size(); ++i) {
                if ("Layer:" + layers[i].name == label) {
                    activeLayer = i;
                }
            }
            return {};
        }
    } else if (object == "Utility") {
        if (member == "GetPoint") {
            return pickedPoint;
        }
        if (member == "GetEntity") {
            if (!pickedEntity) {
                throw EOleException("Nothing picked", "RecordingHost", "", 0, statusException);
            }
            return Variants{objectFor(*pickedEntity), pickedPoint};
        }
        if (member == "PolarPoint") {
            const Point from = args.at(0).toPoint();
            const double angle = args.at(1).toDouble();
            const double distance = args.at(2).toDouble();
            if (exactPolarPoint) {
                return angle == 0 ? Point{from[0] + distance, from[1], from[2]}
                                  : Point{from[0], from[1] + distance, from[2]};
            }
            // cos(π/2) as a real host's runtime gives it (1.8369701987210297E-16 for r = 3):
            // the platforms' own libraries differ in its last bits.
            constexpr double hostCosHalfPi = 6.123233995736766e-17;
            const bool quarterTurn = angle == 1.5707963267948966;
            const double cosine = quarterTurn ? hostCosHalfPi : std::cos(angle);
            const double sine = quarterTurn ? 1.0 : std::sin(angle);
            return Point{from[0] + distance * cosine, from[1] + distance * sine, from[2]};
        }
    } else if (object == "Layers") {
        if (member == "Count" && get) {
            return static_cast<std::int32_t>(layers.size());
        }
        if (member == "Item") {
            return objectFor("Layer:" +
                             layers.at(static_cast<std::size_t>(args.at(0).toInt32())).name);
        }
        if (member == "Add") {
            layers.push_back({args.at(0).toString(), 7});
            return objectFor("Layer:" + layers.back().name);
        }
    } else if (object == "Blocks") {
        const auto named = [this](const std::string& name) {
            return std::find_if(blocks.begin(), blocks.end(),
                                [&name](const BlockState& b) { return b.name == name; });
        };
        if (member == "Item") {
            if (named(args.at(0).toString()) == blocks.end()) {
                throw EOleException("Key not found", "RecordingHost", "", 0, statusException);
            }
            return objectFor("Block:" + args.at(0).toString());
        }
        if (member == "Add") {
            blocks.push_back({args.at(1).toString(), 0, {}});
            return objectFor("Block:" + blocks.back().name);
        }
    } else if (object.rfind("Block:", 0) == 0) {
        const auto block = std::find_if(blocks.begin(), blocks.end(), [&object](const auto& b) {
            return "Block:" + b.name == object;
        });
        if (block != blocks.end()) {
            if (member == "AddLightWeightPolyline" || member == "AddLine") {
                return objectFor("Entity:" + block->name + ":" + std::to_string(++block->entities));
            }
            if (member == "AddAttribute") {
                block->attributes.emplace_back(args.at(4).toString(), args.at(5).toString());
                return objectFor("AttributeDef:" + block->name + ":" + args.at(4).toString());
            }
            if (member == "Delete") {
                blocks.erase(block);
                return {};
            }
        }
    } else if (object.rfind("Entity:", 0) == 0) {
        if (((member == "Closed" || member == "Layer") && put) || member == "Delete") {
            return {};
        }
        if (member == "GetXData") {
            return Variants{Variant{}, Variant{}};
        }
    } else if (object == "ModelSpace") {
        const auto made = [this] { return objectFor("Entity:" + std::to_string(++m_entities)); };
        if (member == "AddLightWeightPolyline" || member == "AddRevolvedSolid") {
            return made();
        }
        if (member == "AddRegion") {
            return Objects{made()};
        }
        if (member == "InsertBlock") {
            const std::string name = args.at(1).toString();
            for (const BlockState& block : blocks) {
                if (block.name == name) {
                    ReferenceState reference{std::to_string(references.size() + 1), name,
                                             args.at(0).toPoint(), {}, {}, {}, false};
                    for (const auto& [tag, value] : block.attributes) {
                        reference.attributes[tag] = value;
                    }
                    references.push_back(std::move(reference));
                    return objectFor("BlockRef:" + references.back().handle);
                }
            }
            throw EOleException("Key not found", "RecordingHost", "", 0, statusException);
        }
    } else if (object == "RegisteredApplications") {
        if (member == "Add") {
            return objectFor("RegisteredApplication:" + args.at(0).toString());
        }
    } else if (object.rfind("BlockRef:", 0) == 0) {
        for (ReferenceState& reference : references) {
            if ("BlockRef:" + reference.handle != object) {
                continue;
            }
            if (member == "Handle" && get) {
                return reference.handle;
            }
            if (member == "InsertionPoint" && get) {
                return reference.point;
            }
            if (member == "GetAttributes") {
                Objects attributes;
                for (const auto& [tag, value] : reference.attributes) {
                    attributes.push_back(objectFor("AttributeRef:" + reference.handle + ":" + tag));
                }
                return attributes;
            }
            if (member == "SetXData") {
                reference.dataTypes = args.at(0);
                reference.dataValues = args.at(1);
                return {};
            }
            if (member == "GetXData") {
                return Variants{reference.dataTypes, reference.dataValues};
            }
            if (member == "Delete") {
                reference.deleted = true;
                return {};
            }
        }
    } else if (object.rfind("AttributeRef:", 0) == 0) {
        const std::string rest = object.substr(std::string("AttributeRef:").size());
        const std::string handle = rest.substr(0, rest.find(':'));
        const std::string tag = rest.substr(rest.find(':') + 1);
        for (ReferenceState& reference : references) {
            if (reference.handle == handle && reference.attributes.count(tag) != 0) {
                if (member == "TagString" && get) {
                    return tag;
                }
                if (member == "TextString" && put) {
                    reference.attributes[tag] = args.at(0).toString();
                    return {};
                }
                if (member == "TextString" && get) {
                    return reference.attributes[tag];
                }
            }
        }
    } else if (object.rfind("Layer:", 0) == 0) {
        for (LayerState& layer : layers) {
            if ("Layer:" + layer.name == object) {
                if (member == "name" && get) {
                    return layer.name;
                }
                if (member == "color" && put) {
                    layer.color = args.at(0).toInt32();
                    return {};
                }
            }
        }
    }
    throw EOleError("Unknown name");
}
