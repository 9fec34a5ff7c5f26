#include "ui/select_form.h"

#include "ui/outer_size.h"
#include "ui/pictures.h"
#include "ui/text_fit.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include <algorithm>

namespace {

const QSize minimumOuterSize(200, 120);

} // namespace

const char* const TfSelect::itemTexts[12] = {
    "C ввинчиваемыми концами 1*d,    класс точности В ГОСТ 22032-76",
    "C ввинчиваемыми концами 1*d,    класс точности А ГОСТ 22033-76",
    "C ввинчиваемыми концами 1,25*d, класс точности В ГОСТ 22034-76",
    "C ввинчиваемыми концами 1,25*d, класс точности А ГОСТ 22035-76",
    "C ввинчиваемыми концами 1,6*d,  класс точности В ГОСТ 22036-76",
    "C ввинчиваемыми концами 1,6*d,  класс точности А ГОСТ 22037-76",
    "C ввинчиваемыми концами 2*d,    класс точности В ГОСТ 22038-76",
    "C ввинчиваемыми концами 2*d,    класс точности А ГОСТ 22039-76",
    "C ввинчиваемыми концами 2,5*d,  класс точности В ГОСТ 22040-76",
    "C ввинчиваемыми концами 2,5*d,  класс точности А ГОСТ 22041-76",
    "Для деталей с гладкими отв.,    класс точности В ГОСТ 22042-76",
    "Для деталей с гладкими отв.,    класс точности А ГОСТ 22043-76",
};

TfSelect::TfSelect(MainUnitState& state, QWidget* parent) : QDialog(parent), m_state(state)
{
    // Designed at 96 pixels per inch and not scaled.
    setWindowTitle(QStringLiteral("Quorvel - Выбор стандарта шпильки"));
    setWindowIcon(applicationIcon());
    setMinimumSize(minimumOuterSize);
    QFont base = font();
    base.setPixelSize(13);
    setFont(base);
    QFont bold = base;
    bold.setBold(true);

    auto* Label1 = new QLabel(QStringLiteral("Шпильки резьбовые:"), this);
    Label1->setFont(bold);
    // Wider and taller than the design where the platform's bold font needs it: nothing lies to
    // the right of the label.
    Label1->setGeometry(QRect(QPoint(10, 10), QSize(154, 16).expandedTo(Label1->sizeHint())));

    lbGost = new QListWidget(this);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setFamilies({QStringLiteral("Courier New"), fixed.family()});
    fixed.setPixelSize(13);
    lbGost->setFont(fixed);
    lbGost->setSelectionMode(QAbstractItemView::SingleSelection);
    lbGost->setGeometry(10, 35, 510, 205);
    for (const char* text : itemTexts) {
        auto* item = new QListWidgetItem(QString::fromUtf8(text), lbGost);
        item->setSizeHint(QSize(0, 16));
    }

    QFont buttonFont = base;
    buttonFont.setBold(true);
    buttonFont.setPixelSize(11);
    bbOk = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"),
                           this);
    bbOk->setFont(buttonFont);
    bbOk->setToolTip(QStringLiteral("Принять выбор"));
    bbOk->setGeometry(530, 160, 100, 30);
    bbOk->setDefault(true);
    bbCancel = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton),
                               QStringLiteral("Отменить"), this);
    bbCancel->setFont(buttonFont);
    bbCancel->setToolTip(QStringLiteral("Выход без изменения"));
    bbCancel->setGeometry(530, 210, 100, 30);
    setTabOrder(lbGost, bbOk);
    setTabOrder(bbOk, bbCancel);

    // Ctrl+click or Ctrl+Space would leave no item selected; the current item is selected
    // again, so that OK always has a standard to take.
    connect(lbGost, &QListWidget::itemSelectionChanged, this, [this] {
        if (lbGost->selectedItems().isEmpty() && lbGost->currentItem() != nullptr) {
            lbGost->currentItem()->setSelected(true);
        }
    });
    connect(bbOk, &QPushButton::clicked, this, &TfSelect::bbOkClick);
    connect(bbCancel, &QPushButton::clicked, this, &QDialog::reject);
    widenButtonsToText(this);
    resize(645, 275);
    m_outerSize = new OuterSize(this);
}

void TfSelect::setVisible(bool visible)
{
    if (visible && !m_shownBefore) {
        // Centred on the screen by the size it has now, before the stored size is applied; and
        // placed before the window exists, so that a window manager places its frame there
        // and reports the frame by moving the window.
        m_shownBefore = true;
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    QDialog::setVisible(visible);
}

void TfSelect::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormActivate();
}

void TfSelect::FormActivate()
{
    // A damaged settings file must give neither an invisible dialog nor one larger than the
    // screen.
    m_outerSize->apply(QSize(m_state.SelectWidth, m_state.SelectHeight));
    lbGost->setCurrentRow(std::min<int>(m_state.GostIndex, lbGost->count() - 1));
}

void TfSelect::bbOkClick()
{
    // The selected item, which the list keeps selected; the current item need not be it.
    const QList<QListWidgetItem*> selected = lbGost->selectedItems();
    const int row = selected.isEmpty() ? -1 : lbGost->row(selected.front());
    if (row >= 0) {
        m_state.GostIndex = static_cast<GostIndexValue>(row);
    }
    accept();
}

void TfSelect::done(int result)
{
    const QSize outer = m_outerSize->toStore();
    m_state.SelectHeight = outer.height();
    m_state.SelectWidth = outer.width();
    QDialog::done(result);
}
