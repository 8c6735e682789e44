#include "ui/param_controls.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QToolButton>
#include <cmath>

#include "app/editor_actions.h"
#include "app/entry_rules.h"
#include "model/locale.h"
#include "model/memory_map.h"

namespace zef {

// ---- Fader ----

Fader::Fader(Qt::Orientation orientation, int count, bool rising, std::optional<int> resetPosition, QWidget* parent)
    : QSlider(orientation, parent), reset_(resetPosition) {
    setRange(1, std::max(1, count));
    // A plain QSlider puts its smallest position at the left or the bottom;
    // positions whose value falls are drawn (and keyed) the other way round.
    setInvertedAppearance(!rising);
    setInvertedControls(!rising);
    setPageStep(std::max(1, count / 10));
}

int Fader::PositionAt(QPoint p) const {
    QStyleOptionSlider opt;
    initStyleOption(&opt);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, this);
    const bool vertical = orientation() == Qt::Vertical;
    const double span = vertical ? height() - handle.height() : width() - handle.width();
    const double along = vertical ? p.y() - handle.height() / 2.0 : p.x() - handle.width() / 2.0;
    // DragPosition counts from the top or the left edge.
    const int fromStart = DragPosition(along, span, maximum());
    const bool firstAtStart = vertical ? invertedAppearance() : !invertedAppearance();
    return firstAtStart ? fromStart : maximum() + 1 - fromStart;
}

void Fader::MoveTo(int position) {
    if (position == value()) return;
    setValue(position);
    emit dragStep(position);
}

void Fader::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isEnabled()) return QSlider::mousePressEvent(event);
    dragging_ = true;
    setSliderDown(true);
    MoveTo(PositionAt(event->position().toPoint()));
}

void Fader::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) return QSlider::mouseMoveEvent(event);
    MoveTo(PositionAt(event->position().toPoint()));
}

void Fader::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragging_) return QSlider::mouseReleaseEvent(event);
    dragging_ = false;
    setSliderDown(false);
    emit dragEnded();
}

void Fader::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!reset_ || !isEnabled()) return QSlider::mouseDoubleClickEvent(event);
    dragging_ = false;
    setSliderDown(false);
    if (*reset_ != value()) {
        setValue(*reset_);
        emit dragStep(*reset_);
    }
    emit dragEnded();
}

// ---- BoundControl ----

BoundControl::BoundControl(ControlHost& host, Parameter p, QWidget* parent)
    : QWidget(parent), host_(host), param_(std::move(p)) {
    setObjectName(QString::fromStdString(param_.name));
}

bool BoundControl::Ignored() {
    if (filling_) return true;
    if (host_.refusesEdits()) {
        Refresh();
        return true;
    }
    return host_.controlsQuiet();
}

void BoundControl::Rebind(Parameter p) {
    param_ = std::move(p);
    setObjectName(QString::fromStdString(param_.name));
    Refresh();
}

// ---- NumberControl ----

NumberControl::NumberControl(ControlHost& host, Parameter p, const QString& caption, NumberLayout layout,
                             QWidget* parent)
    : BoundControl(host, std::move(p), parent) {
    const ParameterDescription& description = *param_.description;
    const bool withFader = layout.slider && description.control.has_value();
    const bool vertical = withFader && layout.vertical;
    QBoxLayout* box = vertical ? static_cast<QBoxLayout*>(new QVBoxLayout(this))
                               : static_cast<QBoxLayout*>(new QHBoxLayout(this));
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(2);
    caption_ = new QLabel(caption, this);
    box_ = new QLineEdit(this);
    box_->setObjectName(layout.boxName);
    box_->setFixedWidth(layout.boxWidth);
    box_->setAlignment(Qt::AlignRight);
    box_->installEventFilter(this);
    const QString unit =
        QString::fromUtf8(description.unit.data(), static_cast<int>(description.unit.size()));
    // A ratio reads "4:1" in its box; other units stay in the caption.
    if (unit.startsWith(':')) suffix_ = unit;
    box_->setToolTip(caption + (unit.isEmpty() ? QString() : " [" + unit + "]"));
    if (vertical) {
        caption_->setAlignment(Qt::AlignHCenter);
        box->addWidget(caption_, 0, Qt::AlignHCenter);
        box->addWidget(box_, 0, Qt::AlignHCenter);
    } else {
        caption_->setMinimumWidth(62);
        box->addWidget(caption_);
    }
    if (withFader) {
        const ControlMapper& m = MapperFor(*description.control);
        const bool rising = m.valueFromPosition(m.count()) > m.valueFromPosition(1);
        fader_ = new Fader(vertical ? Qt::Vertical : Qt::Horizontal, m.count(), rising, layout.reset, this);
        fader_->setObjectName(layout.boxName + "Sl");
        if (vertical) {
            fader_->setMinimumHeight(110);
            box->addWidget(fader_, 1, Qt::AlignHCenter);
        } else {
            fader_->setMinimumWidth(90);
            box->addWidget(fader_, 1);
        }
        connect(fader_, &Fader::dragStep, this, &NumberControl::FaderMoved);
        connect(fader_, &QSlider::valueChanged, this, [this](int position) {
            if (!fader_->dragging() && !filling_ && !fader_->isSliderDown()) FaderMoved(position);
        });
        connect(fader_, &Fader::dragEnded, this, [this] {
            if (!host_.controlsQuiet()) host_.DragEnded();
        });
    }
    if (!vertical) box->addWidget(box_);
    // Tab follows the eye: a horizontal fader sits left of its box.
    if (fader_ && !vertical) QWidget::setTabOrder(fader_, box_);
    if (layout.upDown) AddUpDown(*box);
}

void NumberControl::AddUpDown(QBoxLayout& box) {
    const auto arrow = [&](Qt::ArrowType type, const QString& name, double by) {
        auto* button = new QToolButton(this);
        button->setArrowType(type);
        button->setObjectName(name);
        button->setAutoRepeat(true);
        button->setFixedSize(16, 12);
        button->setFocusPolicy(Qt::NoFocus);  // Tab goes from box to box
        connect(button, &QToolButton::clicked, this, [this, by] { Step(by); });
        return button;
    };
    const QString name = "UpDown" + box_->objectName().mid(4);  // TextDLF -> UpDownDLF
    up_ = arrow(Qt::UpArrow, name + "Up", 1);
    down_ = arrow(Qt::DownArrow, name + "Down", -1);
    auto* arrows = new QVBoxLayout;
    arrows->setSpacing(0);
    arrows->addWidget(up_);
    arrows->addWidget(down_);
    box.addLayout(arrows);
}

// One step up or down from the model's value, kept inside the range.
void NumberControl::Step(double by) {
    if (Ignored()) return;
    const ParameterDescription& d = *param_.description;
    const double value = SnapEntry(d, std::clamp(GetValue(host_.device(), param_) + by, d.min, d.max));
    ShowValue(value);
    host_.Commit(param_, value, false);
}

bool NumberControl::metres() const {
    return param_.description->id == ParamId::Delay && host_.device().settings[ds::kDelayUnit] == 1;
}

void NumberControl::ShowValue(double value) {
    const double shown = param_.description->id == ParamId::Delay ? DelayInUnit(value, metres()) : value;
    box_->setText(QString::fromStdString(EntryText(*param_.description, shown, host_.decimalComma())) + suffix_);
}

void NumberControl::Refresh() {
    filling_ = true;
    const double value = GetValue(host_.device(), param_);
    ShowValue(value);
    if (fader_) {
        const QSignalBlocker block(fader_);
        fader_->setValue(MapperFor(*param_.description->control).positionFromValue(value));
    }
    filling_ = false;
}

void NumberControl::FaderMoved(int position) {
    if (Ignored()) return;
    const double value = MapperFor(*param_.description->control).valueFromPosition(position);
    ShowValue(value);
    host_.Commit(param_, value, fader_->dragging());
}

void NumberControl::CommitText() {
    if (Ignored()) return;
    QString text = box_->text();
    if (!suffix_.isEmpty() && text.endsWith(suffix_)) text.chop(suffix_.size());
    const auto typed = ReadEntry(text.toStdString(), host_.decimalComma());
    if (!typed) {
        if (param_.description->id == ParamId::Delay) host_.Warn(kDelayWarningTitle, kDelayIncorrectText);
        else Refresh();
        return;
    }
    double value = *typed;
    if (param_.description->id == ParamId::Delay) value = DelayEntryMs(value, metres());
    value = SnapEntry(*param_.description, value);
    // Shown clamped and snapped at once; the slider follows without sending.
    ShowValue(value);
    if (fader_) {
        const QSignalBlocker block(fader_);
        fader_->setValue(MapperFor(*param_.description->control).positionFromValue(value));
    }
    host_.Commit(param_, value, false);
}

bool NumberControl::eventFilter(QObject* watched, QEvent* event) {
    // Leaving a box the user typed in (Tab, a click elsewhere) enters what
    // was typed, as Return does. The mark is cleared first: a warning the
    // entry raises takes the focus again.
    if (watched == box_ && event->type() == QEvent::FocusOut && box_->isModified()) {
        box_->setModified(false);
        CommitText();
        return false;
    }
    if (watched != box_ || event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    int code = 0;
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) code = kKeyEnter;
    else if (key->key() == Qt::Key_Backspace) code = kKeyBackspace;
    else if (!key->text().isEmpty() && key->text().at(0).isPrint() &&
             !(key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier | Qt::AltModifier)))
        code = key->text().at(0).unicode();
    // Only typed characters are filtered: Tab, Shift+Tab, Ctrl+A/C/V/X/Z,
    // arrows, Home, End and Delete do what they do in every box.
    if (code == 0) return false;
    NumericBox kind;
    kind.acceptsSigned = true;  // "-", "+" and copy, paste, cut, undo in every box
    kind.blankForOthers = param_.description->id == ParamId::Delay;
    const FilteredKey f = FilterNumericKey(code, kind, host_.decimalComma(), filling_);
    switch (f.action) {
        case KeyAction::Commit: CommitText(); return true;
        case KeyAction::Discard: return true;
        case KeyAction::Insert:
            if (f.key == code) return false;
            box_->insert(QString(QChar(f.key)));
            return true;
    }
    return false;
}

// ---- CheckControl ----

namespace {
// The caption's colour tells the state at a glance: orange when on, grey when off.
const QColor kCheckOnColour(0xFF, 0x80, 0x00);
const QColor kCheckOffColour(0xC0, 0xC0, 0xC0);

void PaintCheckCaption(QCheckBox& check) {
    QPalette palette = check.palette();
    const QColor& colour = check.isChecked() ? kCheckOnColour : kCheckOffColour;
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::ButtonText, colour);
    check.setPalette(palette);
}
}  // namespace

CheckControl::CheckControl(ControlHost& host, Parameter p, const QString& caption, QWidget* parent)
    : BoundControl(host, std::move(p), parent) {
    auto* box = new QHBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    check_ = new QCheckBox(caption, this);
    box->addWidget(check_);
    PaintCheckCaption(*check_);
    connect(check_, &QCheckBox::toggled, this, [this](bool on) {
        PaintCheckCaption(*check_);
        if (Ignored()) return;
        host_.Commit(param_, on ? 1.0 : 0.0, false);
    });
}

void CheckControl::Refresh() {
    filling_ = true;
    const QSignalBlocker block(check_);
    check_->setChecked(GetValue(host_.device(), param_) != 0.0);
    PaintCheckCaption(*check_);
    filling_ = false;
}

// ---- ChoiceControl ----

ChoiceControl::ChoiceControl(ControlHost& host, Parameter p, const QString& caption, const std::vector<QString>& items,
                             QWidget* parent)
    : BoundControl(host, std::move(p), parent) {
    auto* box = new QHBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    if (!caption.isEmpty()) box->addWidget(new QLabel(caption, this));
    combo_ = new QComboBox(this);
    if (!items.empty()) {
        for (const QString& item : items) combo_->addItem(item);
    } else {
        for (auto c : param_.description->choices)
            combo_->addItem(QString::fromUtf8(c.data(), static_cast<int>(c.size())));
    }
    box->addWidget(combo_, 1);
    connect(combo_, &QComboBox::activated, this, [this](int index) {
        if (Ignored()) return;
        host_.Commit(param_, index, false);
    });
}

void ChoiceControl::Refresh() {
    filling_ = true;
    const QSignalBlocker block(combo_);
    const int index = static_cast<int>(std::lround(GetValue(host_.device(), param_)));
    combo_->setCurrentIndex(std::clamp(index, 0, combo_->count() - 1));
    filling_ = false;
}

// ---- OptionControl ----

OptionControl::OptionControl(ControlHost& host, Parameter p, const std::vector<QString>& items, QWidget* parent)
    : BoundControl(host, std::move(p), parent) {
    auto* box = new QHBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    auto* group = new QButtonGroup(this);
    for (std::size_t i = 0; i < items.size(); ++i) {
        auto* option = new QRadioButton(items[i], this);
        group->addButton(option, static_cast<int>(i));
        options_.push_back(option);
        box->addWidget(option);
    }
    connect(group, &QButtonGroup::idClicked, this, [this](int id) {
        if (Ignored()) return;
        // The option that is already selected asks nothing and sends nothing.
        if (std::lround(GetValue(host_.device(), param_)) == id) return;
        host_.Commit(param_, id, false);
    });
}

void OptionControl::Refresh() {
    filling_ = true;
    const int index = static_cast<int>(std::lround(GetValue(host_.device(), param_)));
    for (std::size_t i = 0; i < options_.size(); ++i) {
        const QSignalBlocker block(options_[i]);
        options_[i]->setChecked(static_cast<int>(i) == index);
    }
    filling_ = false;
}

}  // namespace zef
