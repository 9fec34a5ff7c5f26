#include "host/objects/layers.h"

#include "host/objects/call_checks.h"
#include "host/objects/object_model.h"
#include "model/layer_name.h"

namespace cadhost {

ObjectRef layerRef(std::size_t index)
{
    return {"/Layers/" + std::to_string(index)};
}

// The index of "/Layers/<n>", when the path names an existing layer.
std::optional<std::size_t> layerIndex(const std::string& path, std::size_t count)
{
    const std::string prefix = "/Layers/";
    if (path.rfind(prefix, 0) != 0 || path.size() == prefix.size() ||
        path.size() > prefix.size() + 9) {
        return std::nullopt;
    }
    std::size_t index = 0;
    for (std::size_t i = prefix.size(); i < path.size(); ++i) {
        if (path[i] < '0' || path[i] > '9') {
            return std::nullopt;
        }
        index = index * 10 + static_cast<std::size_t>(path[i] - '0');
    }
    if (index >= count) {
        return std::nullopt;
    }
    return index;
}

// A layer name the drawing and its DXF can hold, by the one rule of model/layer_name.h.
bool validLayerName(const std::string& name)
{
    return !layerNameFault(name);
}

HostValue ObjectModel::layers(const std::string& member, std::int32_t kind,
                              const std::vector<HostValue>& args)
{
    if (member == "Count") {
        useOf(member, readOnly, kind);
        expectCount(member, args, 0, 0);
        return static_cast<std::int32_t>(m_drawing.layers.size());
    }
    if (member == "Item") {
        useOf(member, methodMember, kind);
        expectCount(member, args, 1, 1);
        const std::int32_t index = intArg(member, args, 0);
        if (index < 0 || static_cast<std::size_t>(index) >= m_drawing.layers.size()) {
            fail(ErrorKind::Exception, "Index out of range");
        }
        return layerRef(static_cast<std::size_t>(index));
    }
    if (member == "Add") {
        useOf(member, methodMember, kind);
        expectCount(member, args, 1, 1);
        const std::string& name = stringArg(member, args, 0);
        if (!validLayerName(name)) {
            fail(ErrorKind::Exception, "Invalid layer name");
        }
        for (std::size_t i = 0; i < m_drawing.layers.size(); ++i) {
            if (m_drawing.layers[i].name == name) {
                return layerRef(i);
            }
        }
        return layerRef(m_drawing.addLayer(name));
    }
    fail(ErrorKind::UnknownName, "Unknown name: " + member);
}

HostValue ObjectModel::layer(std::size_t index, const std::string& member, std::int32_t kind,
                             const std::vector<HostValue>& args)
{
    Layer& layer = m_drawing.layers[index];
    if (member == "name") {
        useOf(member, readOnly, kind);
        expectCount(member, args, 0, 0);
        return layer.name;
    }
    if (member == "color") {
        if (useOf(member, readWrite, kind) == Use::Get) {
            expectCount(member, args, 0, 0);
            return layer.color;
        }
        expectCount(member, args, 1, 1);
        const std::int32_t color = intArg(member, args, 0);
        // A layer takes a colour index from 1 to 255.
        if (color < 1 || color > 255) {
            mismatch(member, 0);
        }
        layer.color = color;
        return {};
    }
    fail(ErrorKind::UnknownName, "Unknown name: " + member);
}

} // namespace cadhost
