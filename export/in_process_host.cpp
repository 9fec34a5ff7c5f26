#include "export/in_process_host.h"

#include <type_traits>

namespace exporter {

namespace {

using cadhost::HostValue;

HostValue toObjectRef(const OleObject& object);

HostValue toHost(const Variant& value)
{
    return std::visit(
        [](const auto& v) -> HostValue {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, Point>) {
                return std::vector<double>(v.begin(), v.end());
            } else if constexpr (std::is_same_v<T, OleObject>) {
                return toObjectRef(v);
            } else if constexpr (std::is_same_v<T, Objects>) {
                std::vector<cadhost::ObjectRef> objects;
                for (const OleObject& object : v) {
                    const HostValue reference = toObjectRef(object);
                    if (const auto* own = std::get_if<cadhost::ObjectRef>(&reference)) {
                        objects.push_back(*own);
                    } else {
                        return reference; // refused by the model as a type mismatch
                    }
                }
                return objects;
            } else if constexpr (std::is_same_v<T, Shorts>) {
                return std::vector<cadhost::HostItem>(v.begin(), v.end());
            } else if constexpr (std::is_same_v<T, Variants>) {
                std::vector<cadhost::HostItem> items;
                for (const Variant& item : v) {
                    const HostValue one = toHost(item);
                    bool taken = false;
                    std::visit(
                        [&items, &taken](const auto& x) {
                            if constexpr (std::is_constructible_v<cadhost::HostItem,
                                                                  decltype(x)>) {
                                items.push_back(x);
                                taken = true;
                            }
                        },
                        one);
                    if (!taken) {
                        return cadhost::Unsupported{"<nested array>"};
                    }
                }
                return items;
            } else if constexpr (std::is_same_v<T, OutArgument>) {
                return std::monostate{}; // its place travels empty, as on the bus
            } else {
                return v;
            }
        },
        value.value());
}

// One object of the model, by its path.
class ModelObject : public AutomationObject {
  public:
    ModelObject(std::shared_ptr<cadhost::ObjectModel> model,
                std::shared_ptr<std::string> lastRefusal, std::string path)
        : m_model(std::move(model)), m_lastRefusal(std::move(lastRefusal)), m_path(std::move(path))
    {
    }

    const std::string& path() const { return m_path; }

    Variant invoke(std::string_view member, InvokeKind kind,
                   const std::vector<Variant>& args) override
    {
        std::vector<HostValue> hostArgs;
        hostArgs.reserve(args.size());
        for (const Variant& arg : args) {
            hostArgs.push_back(toHost(arg));
        }
        const cadhost::InvokeResult result =
            m_model->invoke(m_path, std::string(member), static_cast<std::int32_t>(kind), hostArgs);
        if (result.status == cadhost::InvokeResult::Status::Done) {
            return fromHost(result.value);
        }
        // The model waits for a pick only when it has no scripted point and is not headless;
        // the exporter always scripts the point, so this is a refusal like any other.
        const cadhost::HostError error =
            result.status == cadhost::InvokeResult::Status::Failed
                ? result.error
                : cadhost::HostError{cadhost::ErrorKind::Failed, "no point to pick"};
        *m_lastRefusal = error.text;
        switch (error.kind) {
        case cadhost::ErrorKind::Exception:
            throw EOleException(error.text, "quorvel-export", "", 0, statusException);
        case cadhost::ErrorKind::UnknownName:
            throw EOleError(error.text);
        default:
            throw EOleSysError(std::string(cadhost::errorName(error.kind)) + ": " + error.text,
                               statusFail);
        }
    }

  private:
    Variant fromHost(const HostValue& value) const
    {
        return std::visit(
            [this](const auto& v) -> Variant {
                using T = std::decay_t<decltype(v)>;
                if constexpr (std::is_same_v<T, std::monostate>) {
                    return Variant{};
                } else if constexpr (std::is_same_v<T, std::vector<double>>) {
                    if (v.size() != 3) {
                        throw VariantTypeError("the host returned an array that is no point");
                    }
                    return Point{v[0], v[1], v[2]};
                } else if constexpr (std::is_same_v<T, cadhost::ObjectRef>) {
                    return OleObject(std::make_shared<ModelObject>(m_model, m_lastRefusal, v.path));
                } else if constexpr (std::is_same_v<T, std::vector<cadhost::ObjectRef>>) {
                    Objects objects;
                    for (const cadhost::ObjectRef& object : v) {
                        objects.push_back(OleObject(
                            std::make_shared<ModelObject>(m_model, m_lastRefusal, object.path)));
                    }
                    return objects;
                } else if constexpr (std::is_same_v<T, std::vector<cadhost::HostItem>>) {
                    Variants values;
                    for (const cadhost::HostItem& item : v) {
                        values.push_back(fromHost(cadhost::itemValue(item)));
                    }
                    return values;
                } else if constexpr (std::is_same_v<T, cadhost::Unsupported>) {
                    throw VariantTypeError("the host returned a value of no known kind");
                } else {
                    return Variant(v);
                }
            },
            value);
    }

    std::shared_ptr<cadhost::ObjectModel> m_model;
    std::shared_ptr<std::string> m_lastRefusal;
    std::string m_path;
};

HostValue toObjectRef(const OleObject& object)
{
    // Only this host's own objects can be handed back to it; anything else is refused by the
    // model as a type mismatch, as a COM server refuses a foreign interface.
    if (const auto* own = dynamic_cast<const ModelObject*>(object.object())) {
        return cadhost::ObjectRef{own->path()};
    }
    return cadhost::Unsupported{"<foreign object>"};
}

} // namespace

InProcessHost::InProcessHost()
    : m_drawing(std::make_unique<drawing::CadDrawing>()),
      m_model(std::make_shared<cadhost::ObjectModel>(*m_drawing)),
      m_lastRefusal(std::make_shared<std::string>())
{
    m_model->setScriptedPoints({drawing::Vec2{0, 0}}, true, true);
}

OleObject InProcessHost::getActiveObject(std::string_view className)
{
    if (className != "AutoCAD.Application") {
        throw EOleSysError("no running object " + std::string(className), statusUnavailable);
    }
    return OleObject(std::make_shared<ModelObject>(m_model, m_lastRefusal, "/Application"));
}

} // namespace exporter
