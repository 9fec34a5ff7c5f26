#include "ui/main_form.h"

#include "cad/parts_list_csv.h"
#include "model/base_path.h"
#include "model/dimension_tables.h"
#include "model/number_text.h"
#include "model/stud_designation.h"
#include "model/stud_dimensions.h"
#include "model/stud_mass.h"
#include "ui/about_box.h"
#include "ui/completing_combo_box.h"
#include "ui/main_report.h"
#include "ui/outer_size.h"
#include "ui/pictures.h"
#include "ui/qt_text.h"
#include "ui/quorvel_version.h"
#include "ui/run_input.h"
#include "ui/select_form.h"
#include "ui/settings_file.h"
#include "ui/parts_list_dialogs.h"
#include "ui/text_fit.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

constexpr double designDpi = 120.0;
const QSize minimumOuterSize(200, 150);
const QPoint designPosition(158, 156);
constexpr int titleMargin = 2; // pixels kept free between the title and each side of its panel
// The mass of 1000 studs, under the stud's picture.
const QString massCaption = QStringLiteral("Масса 1000 шт. = %1 кг");
// Above the stud's picture while a drawing will replace a placed stud.
const QString replaceCaption = QStringLiteral("«Чертить» заменит\n%1");

} // namespace

TForm1::TForm1(MainUnitState& state, Reporter& reporter, StartAcadFunction startAcad,
               const std::string& executablePath, QWidget* parent)
    : QWidget(parent), m_state(state), m_reporter(reporter), m_startAcad(std::move(startAcad))
{
    buildControls();
    FormCreate(executablePath);
}

void TForm1::buildControls()
{
    // Designed at 120 pixels per inch; scaled to the screen while the window is built.
    const double scale = logicalDpiY() / designDpi;
    const auto place = [scale](QWidget* widget, int left, int top, int width, int height) {
        widget->setGeometry(static_cast<int>(std::lround(left * scale)),
                            static_cast<int>(std::lround(top * scale)),
                            static_cast<int>(std::lround(width * scale)),
                            static_cast<int>(std::lround(height * scale)));
    };
    // Field captions end where the design ends them; they may reach further left, since the
    // platform's font can be wider than the design's.
    const auto placeLabel = [&place](QLabel* label, int left, int top, int width, int height) {
        place(label, 6, top, left + width - 6, height);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    };
    setWindowTitle(QStringLiteral("Тремикон - Quorvel v.") + toQt(quorvelTitleVersion));
    setWindowIcon(applicationIcon());
    QFont base = font();
    base.setPixelSize(static_cast<int>(std::lround(13 * scale)));
    setFont(base);
    QFont bold = base;
    bold.setBold(true);
    bold.setPixelSize(static_cast<int>(std::lround(15 * scale)));

    auto* Panel1 = new QFrame(this);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(2);
    place(Panel1, 6, 6, 406, 68);
    LName = new QLabel(Panel1);
    LName->setAlignment(Qt::AlignCenter);
    LName->setFont(bold);
    m_titleFont = bold;
    LName->setGeometry(Panel1->contentsRect());

    sbGost = new QToolButton(this);
    sbGost->setIcon(arrowDownIcon());
    sbGost->setIconSize(QSize(16, 16));
    sbGost->setFocusPolicy(Qt::NoFocus);
    sbGost->setToolTip(QStringLiteral("Выбери стандарт"));
    place(sbGost, 425, 6, 30, 68);

    auto* Label2 = new QLabel(QStringLiteral("Диаметр резьбы d ="), this);
    placeLabel(Label2, 12, 91, 129, 16);
    cbDiam = new CompletingComboBox(this);
    place(cbDiam, 148, 86, 74, 24);
    eDiam = new QLineEdit(this);
    place(eDiam, 148, 86, 74, 24);
    eDiam->hide();
    chbCastom = new QCheckBox(QStringLiteral(" - Свободные размеры"), this);
    place(chbCastom, 234, 90, 178, 17);

    auto* Bevel1 = new QFrame(this);
    Bevel1->setFrameStyle(QFrame::HLine | QFrame::Raised);
    place(Bevel1, 6, 117, 406, 6);

    auto* Label5 = new QLabel(QStringLiteral("Длина   L ="), this);
    placeLabel(Label5, 68, 134, 67, 16);
    cbLenght = new CompletingComboBox(this);
    place(cbLenght, 148, 129, 74, 24);
    eLenght = new QLineEdit(this);
    place(eLenght, 148, 129, 74, 24);
    eLenght->hide();

    auto* Label3 = new QLabel(QStringLiteral("Длина   b ="), this);
    placeLabel(Label3, 68, 171, 68, 16);
    eB = new QLineEdit(this);
    place(eB, 148, 166, 74, 21);
    LB1 = new QLabel(QStringLiteral("Длина b1 ="), this);
    placeLabel(LB1, 68, 208, 69, 16);
    eB1 = new QLineEdit(this);
    place(eB1, 148, 203, 74, 21);
    auto* Label1 = new QLabel(QStringLiteral("Фаска  с ="), this); // Cyrillic с
    placeLabel(Label1, 68, 245, 64, 16);
    eC = new QLineEdit(this);
    place(eC, 148, 240, 74, 21);
    for (QLineEdit* edit : {eB, eB1, eC}) {
        edit->setEnabled(false);
    }
    // Placeholders until the standard is loaded.
    for (QLineEdit* edit : {eDiam, eLenght, eB, eB1, eC}) {
        edit->setText(QStringLiteral("-"));
    }

    Panel2 = new QFrame(this);
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel2->setLineWidth(2);
    place(Panel2, 234, 129, 178, 138);
    Image = new QLabel(Panel2);
    Image->setAlignment(Qt::AlignCenter);
    Image->setGeometry(Panel2->contentsRect());
    // In the room the picture leaves above and below it: the stud to be replaced, and the mass.
    LReplace = new QLabel(Panel2);
    LReplace->setAlignment(Qt::AlignCenter);
    LReplace->hide();
    sbNoReplace = new QToolButton(Panel2);
    sbNoReplace->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    sbNoReplace->setAutoRaise(true);
    sbNoReplace->setToolTip(QStringLiteral("Не заменять шпильку (Esc): «Чертить» начертит новую"));
#if QT_CONFIG(accessibility)
    sbNoReplace->setAccessibleName(QStringLiteral("Не заменять"));
#endif
    sbNoReplace->hide();
    LMass = new QLabel(Panel2);
    LMass->setAlignment(Qt::AlignCenter);

    LPitch = new QLabel(this);
    place(LPitch, 480, 37, 28, 16);
    LPitch->hide(); // holds P for the thread-length rule; never shown

    // The options of how the stud is drawn, beside the standard's button: «- блоком» on its own
    // in the free corner at the top, «- тело» (how the 3D stud is built) right under the «- 3D»
    // it depends on.
    chbBlock = new QCheckBox(QStringLiteral("- блоком"), this);
    chbBlock->setToolTip(QStringLiteral(
        "Чертить шпильку блоком: с атрибутами для спецификации (обозначение, масса) и\n"
        "размерами, по которым её можно изменить кнопкой «Изменить…»"));
    place(chbBlock, 460, 14, 82, 17);
    chb3D = new QCheckBox(QStringLiteral("- 3D"), this);
    place(chb3D, 480, 58, 62, 17);
    chbSolid = new QCheckBox(QStringLiteral("- тело"), this);
    place(chbSolid, 480, 76, 62, 16);

    // The buttons stand in one column: the parts list's under «- тело», «Изменить…» between About
    // and «Чертить».
    bbEdit = new QPushButton(QStringLiteral("Изменить…"), this);
#if QT_CONFIG(accessibility) // a Qt built without it (the Windows build) has no such names
    bbEdit->setAccessibleName(bbEdit->text());
#endif
    bbEdit->setToolTip(QStringLiteral("Выбрать начерченную блоком шпильку и изменить её размеры"));
    place(bbEdit, 425, 156, 117, 24);

    bbSpec = new QPushButton(QStringLiteral("Спецификация…"), this);
#if QT_CONFIG(accessibility)
    bbSpec->setAccessibleName(bbSpec->text());
#endif
    bbSpec->setToolTip(QStringLiteral(
        "Спецификация шпилек, начерченных блоком: файл CSV и, по желанию, таблица в чертеже"));
    place(bbSpec, 425, 94, 117, 21);

    bbAbout = new QPushButton(questionIcon(), QStringLiteral("About"), this);
    bbAbout->setFont(bold);
    bbAbout->setToolTip(QStringLiteral("Информация о программе"));
    place(bbAbout, 425, 117, 117, 37);
    bbDraw = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton),
                             QStringLiteral("Чертить"), this);
    bbDraw->setFont(bold);
    bbDraw->setToolTip(QStringLiteral("Чертить деталь"));
    place(bbDraw, 425, 182, 117, 37);
    BitBtn3 = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton),
                              QStringLiteral("Отменить"), this);
    BitBtn3->setFont(bold);
    BitBtn3->setToolTip(QStringLiteral("Закрыть программу"));
    place(BitBtn3, 425, 231, 117, 37);

    // Tab order of the design: 1 cbDiam ... 13 eLenght.
    QWidget* order[] = {cbDiam,   cbLenght, eB,        eB1,    chb3D,       chbSolid,
                        chbBlock, bbAbout,  bbDraw,    bbEdit, sbNoReplace, bbSpec,
                        BitBtn3,  eC,       chbCastom, eDiam,  eLenght};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        setTabOrder(order[i], order[i + 1]);
    }

    connect(sbGost, &QToolButton::clicked, this, &TForm1::sbGostClick);
    connect(cbDiam, &CompletingComboBox::changed, this, &TForm1::cbDiamChange);
    connect(cbLenght, &CompletingComboBox::changed, this, &TForm1::cbLenghtChange);
    connect(chbCastom, &QCheckBox::clicked, this, &TForm1::chbCastomClick);
    connect(chb3D, &QCheckBox::clicked, this, &TForm1::chb3DClick);
    connect(chbSolid, &QCheckBox::clicked, this, &TForm1::chbSolidClick);
    for (QCheckBox* option : {chb3D, chbSolid, chbBlock}) {
        connect(option, &QCheckBox::clicked, this, &TForm1::optionClicked);
    }
    connect(sbNoReplace, &QToolButton::clicked, this, &TForm1::dropReplacement);
    connect(bbAbout, &QPushButton::clicked, this, &TForm1::bbAboutClick);
    connect(bbDraw, &QPushButton::clicked, this, &TForm1::bbDrawClick);
    connect(bbEdit, &QPushButton::clicked, this, &TForm1::bbEditClick);
    connect(bbSpec, &QPushButton::clicked, this, &TForm1::bbSpecClick);
    connect(BitBtn3, &QPushButton::clicked, this, &TForm1::BitBtn3Click);
    for (CompletingComboBox* box : {cbDiam, cbLenght}) {
        connect(box, &QComboBox::editTextChanged, this, &TForm1::showMass);
    }
    for (QLineEdit* edit : {eDiam, eLenght, eB, eB1, eC}) {
        connect(edit, &QLineEdit::textChanged, this, &TForm1::showMass);
    }
    widenButtonsToText(this);
    placePictureTexts();
    setMinimumSize(minimumOuterSize);
    m_outerSize = new OuterSize(this);
    m_runInput = new RunInput(this);
    m_runInput->startsRuns({bbDraw, bbEdit, bbSpec});
}

void TForm1::placePictureTexts()
{
    const QRect room = Panel2->contentsRect();
    // Both pictures are as high; the texts take what is left above and below.
    const int strip = std::max(0, (room.height() - studPicture(0).height()) / 2);
    const int button = std::min(strip, room.width() / 10);
    sbNoReplace->setGeometry(room.right() + 1 - button, room.top() + (strip - button) / 2, button,
                             button);
    LReplace->setGeometry(room.left(), room.top(), room.width() - button, strip);
    LMass->setGeometry(room.left(), room.bottom() + 1 - strip, room.width(), strip);
}

void TForm1::FormCreate(const std::string& executablePath)
{
    m_state.GostIndex = 0;
    // Numbers are converted with a decimal point by the core whatever the locale; Qt's own
    // number widgets follow suit.
    QLocale::setDefault(QLocale::c());
    m_state.BasePath = basePathFor(executablePath);
    ReadIni();
    m_outerSize->place(designPosition);
}

void TForm1::ReadIni()
{
    const Settings settings = readSettings(settingsPath(m_state.BasePath));
    // A damaged file must never leave an invisible window nor one larger than the screen.
    m_outerSize->apply(QSize(settings.mainWidth, settings.mainHeight));
    m_state.SelectHeight = settings.SelectHeight;
    m_state.SelectWidth = settings.SelectWidth;
    m_state.layers = settings.layers;
    m_state.cadApplication = settings.cadApplication;
    chb3D->setChecked(settings.is3D);
    chbSolid->setChecked(settings.solid3D);
    chb3DClick();
    chbBlock->setChecked(settings.asBlock);
}

void TForm1::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_activated) {
        m_activated = true;
        FormActivate();
    }
}

void TForm1::FormActivate()
{
    SetPicture();
    WorkForm();
}

void TForm1::SetPicture()
{
    m_pictureIndex = familyOf(m_state.GostIndex) == StudFamily::PlainHole ? 1 : 0;
    Image->setPixmap(studPicture(m_pictureIndex));
}

void TForm1::tableError(const char* procedure, const std::string& file)
{
    m_reporter.show({"Error", tableReadReport(procedure, file), MessageKind::Error});
}

std::optional<std::string> TForm1::selectedItem(const CompletingComboBox* box) const
{
    if (box->itemIndex() < 0) {
        return std::nullopt;
    }
    return toStd(box->itemText(box->itemIndex()));
}

// Shows what was read, also when the reading failed part-way; selects the first item only when
// the whole list was read.
bool TForm1::fillList(CompletingComboBox* box, const TableRead<std::vector<std::string>>& items,
                      const char* procedure, const std::string& file)
{
    for (const std::string& item : items.value) {
        box->addItem(toQt(item));
    }
    if (!items.ok()) {
        tableError(procedure, file);
        return false;
    }
    box->setItemIndex(0);
    return true;
}

void TForm1::WorkForm()
{
    LMass->clear(); // until the new standard's sizes are on screen
    const std::string catalogue = cataloguePath(m_state.BasePath);
    const TableRead<CatalogueRecord> record = readCatalogueRecord(catalogue, m_state.GostIndex);
    if (!record.ok()) {
        tableError("WorkForm", catalogue);
        return;
    }
    const CatalogueRecord& r = record.value;
    LName->setText(toQt(r.title1 + "\n" + r.title2 + "\nГОСТ " + r.number));
    // The title lines come from the catalogue file: a line longer than the design allowed for
    // is shown whole in a smaller font rather than clipped at the panel's edges.
    LName->setFont(fittedFont(m_titleFont, LName->text(),
                              LName->contentsRect().size() - QSize(2 * titleMargin, 0)));
    m_state.GostNumber = r.number;
    const bool screwIn = r.figureKey == "ris_1";
    LB1->setVisible(screwIn);
    eB1->setVisible(screwIn);
    m_state.DiamTablePath = diameterTablePath(m_state.BasePath, r.number);
    m_state.LengthTablePath = lengthTablePath(m_state.BasePath, r.figureKey);

    cbDiam->clearAll();
    if (fillList(cbDiam, readDiameterList(m_state.DiamTablePath), "WorkForm",
                 m_state.DiamTablePath)) {
        SetDataDetal();
    }
}

void TForm1::SetDataDetal()
{
    const int selected = cbDiam->itemIndex();
    const std::optional<std::size_t> position =
        selected >= 0 ? std::optional<std::size_t>(static_cast<std::size_t>(selected))
                      : std::nullopt;
    const TableRead<DiameterRow> row = readDiameterRow(m_state.DiamTablePath, position);
    if (row.ok()) {
        eB1->setText(toQt(row.value.b1));
        LPitch->setText(toQt(row.value.P));
        eC->setText(toQt(row.value.c));
    } else {
        tableError("SetDataDetal", m_state.DiamTablePath);
    }

    cbLenght->clearAll();
    if (fillList(cbLenght, readLengthList(m_state.LengthTablePath, selectedItem(cbDiam)),
                 "SetDataDetal", m_state.LengthTablePath)) {
        LenghtChange();
    }
    showMass(); // P has changed
}

void TForm1::LenghtChange()
{
    const TableRead<std::optional<std::string>> b =
        readThreadLength(m_state.LengthTablePath, selectedItem(cbDiam), selectedItem(cbLenght),
                         toStd(LPitch->text()), familyOf(m_state.GostIndex));
    if (!b.ok()) {
        tableError("LenghtChange", m_state.LengthTablePath);
        return;
    }
    if (b.value) {
        eB->setText(toQt(*b.value));
    }
}

void TForm1::cbDiamChange()
{
    SetDataDetal();
}

void TForm1::cbLenghtChange()
{
    LenghtChange();
}

void TForm1::chbCastomClick()
{
    const bool free = chbCastom->isChecked();
    for (QLineEdit* edit : {eB, eB1, eC}) {
        edit->setEnabled(free);
    }
    if (free) {
        eDiam->setText(cbDiam->boxText());
        eLenght->setText(cbLenght->boxText());
    }
    eDiam->setVisible(free);
    cbDiam->setVisible(!free);
    eLenght->setVisible(free);
    cbLenght->setVisible(!free);
    if (!free) {
        SetDataDetal();
    }
    showMass();
}

void TForm1::chb3DClick()
{
    chbSolid->setEnabled(chb3D->isChecked());
    chbSolidClick();
}

// The hints say what each way of building the 3D stud needs of the CAD program.
void TForm1::chbSolidClick()
{
    m_state.solid3D = chbSolid->isChecked();
    const bool solid = chbSolid->isChecked();
    if (!chb3D->isChecked()) {
        chb3D->setToolTip(QStringLiteral("Двухмерная деталь"));
    } else if (solid) {
        chb3D->setToolTip(QStringLiteral(
            "Трехмерное тело (любая программа с интерфейсом автоматизации AutoCAD)"));
    } else {
        chb3D->setToolTip(QStringLiteral("Трехмерная деталь (только для MDT6)"));
    }
    chbSolid->setToolTip(
        solid ? QStringLiteral("Трехмерное тело через объектную модель (любая программа с "
                               "интерфейсом автоматизации AutoCAD)")
              : QStringLiteral("Трехмерная деталь командами модуля деталей (нужен MDT6)"));
}

void TForm1::sbGostClick()
{
    const GostIndexValue before = m_state.GostIndex;
    // The stud picked keeps its sizes under another standard: they are what the user sees.
    std::optional<std::pair<double, double>> sizes;
    if (replacing() && !chbCastom->isChecked()) {
        const std::optional<double> d = parseNumber(toStd(cbDiam->boxText()));
        const std::optional<double> L = parseNumber(toStd(cbLenght->boxText()));
        if (d && L) {
            sizes = {*d, *L};
        }
    }
    if (m_select != nullptr) {
        m_select->exec();
    }
    if (m_state.GostIndex != before) {
        SetPicture();
        WorkForm();
        keepReplacementSizes(sizes);
    }
}

void TForm1::keepReplacementSizes(const std::optional<std::pair<double, double>>& sizes)
{
    if (!replacing()) {
        return;
    }
    // Free dimensions are overwritten by the new standard's first row: no stud the user chose.
    if (!sizes || !selectTableRow(sizes->first, sizes->second)) {
        dropReplacement();
    }
}

bool TForm1::selectTableRow(double d, double L)
{
    const auto find = [](const CompletingComboBox* box, double value) {
        for (int i = 0; i < box->count(); ++i) {
            if (parseNumber(toStd(box->itemText(i))) == value) {
                return i;
            }
        }
        return -1;
    };
    const int diameter = find(cbDiam, d);
    if (diameter < 0) {
        return false;
    }
    cbDiam->setItemIndex(diameter);
    SetDataDetal();
    const int length = find(cbLenght, L);
    if (length < 0) {
        return false;
    }
    cbLenght->setItemIndex(length);
    LenghtChange();
    return true;
}

void TForm1::bbDrawClick()
{
    if (m_drawing) {
        return;
    }
    if (familyOf(m_state.GostIndex) == StudFamily::PlainHole) {
        eB1->setText(eB->text());
    }
    const bool free = chbCastom->isChecked();
    const FieldTexts fields = fieldTexts();
    const HandOverResult result = handOver(familyOf(m_state.GostIndex), free, fields);
    if (std::holds_alternative<ConversionFailed>(result)) {
        m_reporter.show({"Error", std::string(conversionReport), MessageKind::Error});
        return;
    }
    if (std::holds_alternative<ZeroValue>(result)) {
        m_reporter.show({"Warning", std::string(zeroValueReport), MessageKind::Warning});
        return;
    }
    const HandOver& numbers = std::get<HandOver>(result);
    // In free-dimension mode the name carries the typed d and L, not the hidden table choice.
    m_state.PartName = partName(free ? fields.eDiam : fields.cbDiam,
                                free ? fields.eLenght : fields.cbLenght, m_state.GostNumber);
    // A 2D stud or the object model's solid as a block carries its sizes; the part commands' 3D
    // parts stay parts.
    std::optional<StudBlock> block;
    if (chbBlock->isChecked() && (!chb3D->isChecked() || chbSolid->isChecked())) {
        StoredStud stored;
        stored.standard = m_state.GostNumber;
        stored.d = numbers.d;
        stored.L = numbers.L;
        stored.b = numbers.b;
        stored.b1 = numbers.b1;
        stored.c = numbers.c;
        stored.P = pitchOf(numbers.d).value_or(0);
        stored.freeDimensions = free;
        stored.solid = chb3D->isChecked();
        block = studBlock(stored, familyOf(m_state.GostIndex));
    }
    runWhileHidden([&] {
        m_startAcad(chb3D->isChecked(), m_state.PartName, numbers.d, numbers.overallLength,
                    numbers.b, numbers.b1, numbers.c, block ? &*block : nullptr);
    });
    showReplacement(); // done, or still to do after a failure
}

void TForm1::bbEditClick()
{
    if (m_drawing || !m_editing.pick) {
        return;
    }
    std::optional<StoredStud> picked;
    runWhileHidden([&] { picked = m_editing.pick(); });
    if (picked) {
        m_picked = *picked;
        showStud(*picked);
    }
    showReplacement(); // a pick that gave no stud has left none to replace
}

void TForm1::setEditing(StudEditing editing)
{
    m_editing = std::move(editing);
    showReplacement();
}

bool TForm1::replacing() const
{
    return m_editing.pending && m_editing.pending();
}

void TForm1::showReplacement()
{
    const bool shown = replacing();
    if (shown) {
        const std::optional<double> P =
            m_picked.P > 0 ? std::optional<double>(m_picked.P) : std::nullopt;
        std::string name = designation(
            DesignatedStud{m_picked.standard, m_picked.d, m_picked.L, finePitch(m_picked.d, P)});
        // The caption says «шпильку»; the line under it names the size and the standard.
        const std::string word = "Шпилька ";
        if (name.rfind(word, 0) == 0) {
            name.erase(0, word.size());
        }
        LReplace->setText(replaceCaption.arg(toQt(name)));
        QFont small = font();
        small.setPixelSize(std::max(1, font().pixelSize() * 11 / 13));
        LReplace->setFont(fittedFont(small, LReplace->text(), LReplace->contentsRect().size()));
        LReplace->setToolTip(QStringLiteral("«Чертить» заменит выбранную кнопкой «Изменить…» "
                                            "шпильку %1 на шпильку с размерами в окне")
                                 .arg(toQt(name)));
    } else {
        LReplace->clear();
    }
    LReplace->setVisible(shown);
    sbNoReplace->setVisible(shown);
}

void TForm1::dropReplacement()
{
    if (m_editing.forget) {
        m_editing.forget();
    }
    showReplacement();
}

bool TForm1::drawsBlock() const
{
    return chbBlock->isChecked() && (!chb3D->isChecked() || chbSolid->isChecked());
}

void TForm1::optionClicked()
{
    if (replacing() && !drawsBlock()) {
        dropReplacement();
    }
}

void TForm1::bbSpecClick()
{
    if (m_drawing || !m_specCollect) {
        return;
    }
    std::optional<SpecSource> source;
    runWhileHidden([&] { source = m_specCollect(); });
    if (!source) {
        return;
    }
    if (source->studs.empty()) {
        m_reporter.show({"Information", std::string(noStudsText), MessageKind::Information});
        return;
    }
    const PartsList list = partsList(source->studs);
    const std::optional<QString> file = askSpecFile(this, source->folder, source->drawingName);
    if (!file) {
        return;
    }
    if (const auto failure = writeSpecFile(*file, partsListCsv(list))) {
        m_reporter.show({"Error", *failure, MessageKind::Error});
        return;
    }
    if (!list.quantityFaults.empty()) {
        m_reporter.show({"Warning", quantityFaultText(list.quantityFaults), MessageKind::Warning});
    }
    if (!m_specDraw || !askPlaceSpec(this)) {
        return;
    }
    runWhileHidden([&] { m_specDraw(list); });
}

void TForm1::runWhileHidden(const std::function<void()>& work)
{
    if (m_drawing) {
        return;
    }
    m_drawing = true;
    m_runInput->runStarted();
    hide();
    std::optional<std::string> failure;
    try {
        work();
    } catch (const std::exception& error) {
        failure = error.what(); // not an automation failure: the application's own report
    } catch (...) {
        m_drawing = false;
        m_runInput->runEnded();
        show();
        throw;
    }
    m_drawing = false;
    m_runInput->runEnded();
    show();
    if (failure) {
        m_reporter.show({"Quorvel", *failure, MessageKind::Error});
    }
}

void TForm1::showStud(const StoredStud& stud)
{
    const auto& standards = studStandards();
    const auto standard =
        std::find_if(standards.begin(), standards.end(),
                     [&](const StudStandard& s) { return s.number == stud.standard; });
    if (standard != standards.end() && standard->index != m_state.GostIndex) {
        m_state.GostIndex = standard->index;
        SetPicture();
        WorkForm();
    }
    // Table mode when d and L are in the lists and the tables give the stored b, b1 and c.
    chbCastom->setChecked(false);
    chbCastomClick();
    bool table = false;
    if (selectTableRow(stud.d, stud.L)) {
        const HandOverResult shown = handOver(familyOf(m_state.GostIndex), false, fieldTexts());
        const auto* numbers = std::get_if<HandOver>(&shown);
        table = numbers != nullptr && numbers->b == stud.b && numbers->c == stud.c &&
                (familyOf(m_state.GostIndex) == StudFamily::PlainHole || numbers->b1 == stud.b1);
    }
    if (!table) {
        chbCastom->setChecked(true);
        chbCastomClick();
        eDiam->setText(toQt(numberText(stud.d)));
        eLenght->setText(toQt(numberText(stud.L)));
        eB->setText(toQt(numberText(stud.b)));
        eB1->setText(toQt(numberText(stud.b1)));
        eC->setText(toQt(numberText(stud.c)));
    }
    chb3D->setChecked(stud.solid);
    if (stud.solid) {
        chbSolid->setChecked(true); // a solid stud was made through the object model
    }
    chb3DClick();
    chbBlock->setChecked(true);
    showMass();
}

FieldTexts TForm1::fieldTexts() const
{
    return {toStd(cbDiam->boxText()), toStd(cbLenght->boxText()), toStd(eDiam->text()),
            toStd(eLenght->text()),   toStd(eB->text()),          toStd(eB1->text()),
            toStd(eC->text())};
}

// The pitch of the diameter table's row for d: the one on screen for the selected d, else read
// from the table (a free d typed over another); none for a d that is not in the table.
std::optional<double> TForm1::pitchOf(double d) const
{
    for (int i = 0; i < cbDiam->count(); ++i) {
        if (parseNumber(toStd(cbDiam->itemText(i))) != d) {
            continue;
        }
        if (i == cbDiam->itemIndex()) {
            return parseNumber(toStd(LPitch->text()));
        }
        const TableRead<DiameterRow> row =
            readDiameterRow(m_state.DiamTablePath, static_cast<std::size_t>(i));
        return row.ok() ? parseNumber(row.value.P) : std::nullopt;
    }
    return std::nullopt;
}

void TForm1::showMass()
{
    const StudFamily family = familyOf(m_state.GostIndex);
    const HandOverResult result = handOver(family, chbCastom->isChecked(), fieldTexts());
    std::optional<double> mass;
    if (const auto* numbers = std::get_if<HandOver>(&result)) {
        if (const std::optional<double> P = pitchOf(numbers->d)) {
            mass = massOf1000Kg(massSizes(family, *numbers, *P));
        }
    }
    // Three significant digits: as precise as a glance needs, and as the parts list's piece mass.
    LMass->setText(mass ? massCaption.arg(toQt(significantText(*mass, 3, ','))) : QString());
    LMass->setFont(fittedFont(font(), LMass->text(), LMass->contentsRect().size()));
}

void TForm1::bbAboutClick()
{
    AboutDlg about(this);
    about.exec();
}

void TForm1::BitBtn3Click()
{
    close();
}

void TForm1::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        // Esc first drops a pending replacement, the innermost thing the window holds.
        if (replacing()) {
            dropReplacement();
        } else {
            BitBtn3Click();
        }
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // Enter presses the focused button (the replacement's drop button too), or else the
        // default button "Чертить".
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
        } else if (focusWidget() == sbNoReplace) {
            sbNoReplace->click();
        } else {
            bbDrawClick();
        }
        return;
    }
    QWidget::keyPressEvent(event);
}

bool TForm1::FormClose()
{
    Settings settings;
    const QSize outer = m_outerSize->toStore();
    settings.mainHeight = outer.height();
    settings.mainWidth = outer.width();
    settings.SelectHeight = m_state.SelectHeight;
    settings.SelectWidth = m_state.SelectWidth;
    settings.is3D = chb3D->isChecked();
    settings.solid3D = chbSolid->isChecked();
    settings.asBlock = chbBlock->isChecked();
    settings.layers = m_state.layers;
    settings.cadApplication = m_state.cadApplication;
    if (const auto failure = writeSettings(settingsPath(m_state.BasePath), settings)) {
        m_reporter.show({"Quorvel", *failure, MessageKind::Error});
    }
    // The window closes even when the settings could not be written: a read-only folder must
    // not leave a program that can never be closed.
    return true;
}

void TForm1::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
    emit closed();
}
