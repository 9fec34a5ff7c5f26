// Texts: AddText in model space or a block's definition, and what a text answers (its string,
// insertion point, height, rotation, layer, handle, object name, extended data, Delete).

#include "host/objects/call_checks.h"
#include "host/objects/entities.h"
#include "host/objects/extended_data.h"
#include "host/objects/handles.h"
#include "host/objects/object_model.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace cadhost {

namespace {

// A text the drawing and its DXF can hold: one line, at most maxTextCharacters characters.
const std::string& textArg(const std::string& member, const std::vector<HostValue>& args,
                           std::size_t i)
{
    const std::string& text = stringArg(member, args, i);
    const auto characters = std::count_if(text.begin(), text.end(), [](char ch) {
        return (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
    });
    if (text.find_first_of("\r\n") != std::string::npos) {
        fail(ErrorKind::Exception, "A text holds one line");
    }
    if (static_cast<std::size_t>(characters) > maxTextCharacters) {
        fail(ErrorKind::Exception, "The text is too long");
    }
    return text;
}

double heightArg(const std::string& member, const std::vector<HostValue>& args, std::size_t i)
{
    const double height = doubleArg(member, args, i);
    checkCoordinates({height});
    if (!(height > 0)) {
        fail(ErrorKind::Exception, "Invalid input");
    }
    return height;
}

} // namespace

HostValue ObjectModel::addText(const EntityContainer& where, const std::string& member,
                               std::int32_t kind, const std::vector<HostValue>& args)
{
    // AddText(text string, insertion point, height).
    useOf(member, methodMember, kind);
    expectCount(member, args, 3, 3);
    const std::string& text = textArg(member, args, 0);
    const auto at = pointArg(member, args, 1);
    checkCoordinates({at[0], at[1], at[2]});
    const double height = heightArg(member, args, 2);
    m_drawing.grow(1);
    const Handle made = m_drawing.newHandle();
    where.texts->push_back({m_drawing.activeLayer, text, {at[0], at[1]}, height, 0.0, made});
    return entityRef(made);
}

Text* ObjectModel::findText(Handle handle, std::vector<Text>** list)
{
    for (const EntityContainer& where : entityContainers()) {
        for (Text& text : *where.texts) {
            if (text.handle == handle && handle != 0) {
                *list = where.texts;
                return &text;
            }
        }
    }
    return nullptr;
}

HostValue ObjectModel::text(Text& text, std::vector<Text>& list, const std::string& member,
                            std::int32_t kind, const std::vector<HostValue>& args)
{
    const auto property = [&]() {
        const Use use = useOf(member, readWrite, kind);
        expectCount(member, args, use == Use::Get ? 0 : 1, use == Use::Get ? 0 : 1);
        return use;
    };
    if (member == "TextString") {
        if (property() == Use::Get) {
            return text.text;
        }
        text.text = textArg(member, args, 0);
        return {};
    }
    if (member == "Height") {
        if (property() == Use::Get) {
            return text.height;
        }
        text.height = heightArg(member, args, 0);
        return {};
    }
    if (member == "Rotation") {
        // Radians, as every angle of the object model.
        if (property() == Use::Get) {
            return text.rotation;
        }
        text.rotation = std::remainder(doubleArg(member, args, 0), 2 * std::numbers::pi);
        return {};
    }
    if (member == "InsertionPoint") {
        if (property() == Use::Get) {
            return std::vector<double>{text.at.x, text.at.y, 0.0};
        }
        const auto at = pointArg(member, args, 0);
        checkCoordinates({at[0], at[1], at[2]});
        text.at = {at[0], at[1]};
        return {};
    }
    if (member == "Layer") {
        if (property() == Use::Get) {
            return m_drawing.layers[text.layer].name;
        }
        const std::string& name = stringArg(member, args, 0);
        const auto named = std::find_if(m_drawing.layers.begin(), m_drawing.layers.end(),
                                        [&name](const Layer& l) { return l.name == name; });
        if (named == m_drawing.layers.end()) {
            fail(ErrorKind::Exception, "No layer named " + name);
        }
        text.layer = static_cast<std::size_t>(named - m_drawing.layers.begin());
        return {};
    }
    if (member == "Handle" || member == "ObjectName") {
        useOf(member, readOnly, kind);
        expectCount(member, args, 0, 0);
        return member == "Handle" ? handleText(text.handle) : std::string("AcDbText");
    }
    if (member == "GetXData") {
        useOf(member, methodMember, kind);
        expectCount(member, args, 1, 3);
        return extendedDataReply({}, member, args);
    }
    if (member == "Delete") {
        useOf(member, methodMember, kind);
        expectCount(member, args, 0, 0);
        m_drawing.shrink(1);
        list.erase(list.begin() + (&text - list.data()));
        return {};
    }
    fail(ErrorKind::UnknownName, "Unknown name: " + member);
}

} // namespace cadhost
