// The Application and the Document: the way in, the document's name and folder, the system
// variables and the command line.

#include "host/objects/call_checks.h"
#include "host/objects/layers.h"
#include "host/objects/object_model.h"
#include "model/utf8_path.h"

#include <filesystem>

namespace cadhost {

HostValue ObjectModel::application(const std::string& member, std::int32_t kind,
                                   const std::vector<HostValue>& args)
{
    if (member == "ActiveDocument") {
        useOf(member, readOnly, kind);
        expectCount(member, args, 0, 0);
        return ObjectRef{"/Document"};
    }
    if (member == "Visible") {
        useOf(member, writeOnly, kind);
        expectCount(member, args, 1, 1);
        if (!std::holds_alternative<bool>(args[0])) {
            mismatch(member, 0);
        }
        return {};
    }
    fail(ErrorKind::UnknownName, "Unknown name: " + member);
}

HostValue ObjectModel::document(const std::string& member, std::int32_t kind,
                                const std::vector<HostValue>& args)
{
    if (member == "GetVariable") {
        useOf(member, methodMember, kind);
        expectCount(member, args, 1, 1);
        const std::string name = upper(stringArg(member, args, 0));
        if (name == "OSMODE") {
            return m_drawing.osmode;
        }
        if (name == "CMDDIA") {
            return m_drawing.cmddia;
        }
        if (name == "DELOBJ") {
            return m_delobj;
        }
        fail(ErrorKind::Exception, "Unknown system variable");
    }
    if (member == "SetVariable") {
        useOf(member, methodMember, kind);
        expectCount(member, args, 2, 2);
        const std::string name = upper(stringArg(member, args, 0));
        const std::int32_t value = intArg(member, args, 1);
        if (name == "OSMODE") {
            m_drawing.osmode = value;
        } else if (name == "CMDDIA") {
            m_drawing.cmddia = value;
        } else if (name == "DELOBJ") {
            m_delobj = value;
        } else {
            fail(ErrorKind::Exception, "Unknown system variable");
        }
        return {};
    }
    if (member == "SendCommand") {
        useOf(member, methodMember, kind);
        expectCount(member, args, 1, 1);
        m_drawing.run(stringArg(member, args, 0));
        return {};
    }
    if (member == "Name" || member == "Path") {
        // The drawing's file name and its folder, as the document was saved or is to be saved;
        // a drawing without a file is "Drawing1.dwg" in no folder ("").
        useOf(member, readOnly, kind);
        expectCount(member, args, 0, 0);
        const std::filesystem::path file = utf8Path(m_drawing.file);
        if (member == "Name") {
            return m_drawing.file.empty() ? std::string("Drawing1.dwg") : utf8Text(file.filename());
        }
        return m_drawing.file.empty() ? std::string() : utf8Text(file.parent_path());
    }
    if (member == "Utility" || member == "Layers" || member == "ModelSpace") {
        useOf(member, readOnly, kind);
        expectCount(member, args, 0, 0);
        return ObjectRef{"/" + member};
    }
    if (member == "ActiveLayer") {
        if (useOf(member, readWrite, kind) == Use::Get) {
            expectCount(member, args, 0, 0);
            return layerRef(m_drawing.activeLayer);
        }
        expectCount(member, args, 1, 1);
        const auto* layer = std::get_if<ObjectRef>(&args[0]);
        if (layer == nullptr) {
            mismatch(member, 0);
        }
        const auto index = layerIndex(layer->path, m_drawing.layers.size());
        if (!index) {
            fail(ErrorKind::Exception, "Not a layer");
        }
        m_drawing.activeLayer = *index;
        return {};
    }
    fail(ErrorKind::UnknownName, "Unknown name: " + member);
}

} // namespace cadhost
