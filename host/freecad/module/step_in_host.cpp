#include "host/freecad/module/step_in_host.h"

#include "drawing/files/step_export.h"

#include <Interface_Static.hxx>
#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <Message_Printer.hxx>

#include <optional>
#include <vector>

namespace freecadhost {

namespace {

// The settings the drawing's STEP writer changes, as texts, and its one integer setting.
constexpr const char* textSettings[] = {"write.step.schema", "write.step.unit"};
constexpr const char* integerSetting = "write.stepcaf.subshapes.name";

class KeptSettings {
  public:
    KeptSettings()
    {
        for (const char* name : textSettings) {
            if (Interface_Static::IsPresent(name)) {
                m_texts.emplace_back(name, Interface_Static::CVal(name));
            }
        }
        if (Interface_Static::IsPresent(integerSetting)) {
            m_integer = Interface_Static::IVal(integerSetting);
        }
        const Message_SequenceOfPrinters& printers = Message::DefaultMessenger()->Printers();
        for (int i = 1; i <= printers.Length(); ++i) {
            m_levels.push_back(printers.Value(i)->GetTraceLevel());
        }
    }
    ~KeptSettings()
    {
        for (const auto& [name, value] : m_texts) {
            Interface_Static::SetCVal(name, value.c_str());
        }
        if (m_integer) {
            Interface_Static::SetIVal(integerSetting, *m_integer);
        }
        const Message_SequenceOfPrinters& printers = Message::DefaultMessenger()->Printers();
        for (int i = 1; i <= printers.Length() && i <= static_cast<int>(m_levels.size()); ++i) {
            printers.Value(i)->SetTraceLevel(m_levels[static_cast<std::size_t>(i - 1)]);
        }
    }
    KeptSettings(const KeptSettings&) = delete;
    KeptSettings& operator=(const KeptSettings&) = delete;

  private:
    std::vector<std::pair<const char*, std::string>> m_texts;
    std::optional<int> m_integer;
    std::vector<Message_Gravity> m_levels;
};

} // namespace

void saveStepKeepingSettings(const drawing::CadDrawing& drawing, const std::string& file)
{
    const KeptSettings kept;
    drawing::saveStep(drawing, file);
}

} // namespace freecadhost
