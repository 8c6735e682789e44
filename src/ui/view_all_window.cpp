#include "ui/view_all_window.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>

#include "dsp/groups.h"
#include "ui/response_graph.h"
#include "ui/window_geometry.h"

namespace zef {

ViewAllGraphWindow::ViewAllGraphWindow(const EditorContext& context, QWidget* parent)
    : QDialog(parent), context_(context) {
    setObjectName("FrmViewGraph");
    setWindowTitle("View All Graph");
    setStyleSheet("QDialog { background: black; } QGroupBox { color: white; border: 1px solid rgb(80,80,80); "
                  "margin-top: 8px; } QGroupBox::title { subcontrol-origin: margin; left: 6px; } "
                  "QRadioButton { color: rgb(220,220,220); } QRadioButton:disabled { color: rgb(110,110,110); }");
    auto* v = new QVBoxLayout(this);
    graph_ = new ResponseGraph(context_.curves.grid(), this);
    graph_->setObjectName("Picture1");
    graph_->setScale(ResponseGraph::Scale::ViewAll);
    graph_->setPenWidth(1.0);
    graph_->setColours({QColor(0, 0, 0), QColor(80, 80, 80), QColor(200, 200, 200)});
    graph_->setMinimumSize(600, 280);
    v->addWidget(graph_, 1);

    auto* row = new QHBoxLayout;
    auto* checks = new QVBoxLayout;
    for (int g = 0; g < dsp::kGroups; ++g) {
        const dsp::GroupInfo& info = dsp::kGroupInfo[static_cast<std::size_t>(g)];
        auto* c = new QCheckBox(QString::fromUtf8(info.name.data(), static_cast<int>(info.name.size())), this);
        c->setObjectName(QString("CheckView%1").arg(g));
        c->setChecked(true);
        c->setStyleSheet(QString("QCheckBox { color: rgb(%1,%2,%3); font-weight: bold; }")
                             .arg(info.colour.r)
                             .arg(info.colour.g)
                             .arg(info.colour.b));
        checks_[static_cast<std::size_t>(g)] = c;
        checks->addWidget(c);
        connect(c, &QCheckBox::toggled, this, [this] { Redraw(); });
    }
    row->addLayout(checks);
    const auto captions = dsp::ViewAllOptionCaptions(dsp::kGroupInfo[0].name, dsp::kGroupInfo[1].name);
    for (int o = 0; o < 2; ++o) {
        auto* box = new QGroupBox(QString("Output %1").arg(o + 1), this);
        auto* bv = new QVBoxLayout(box);
        auto* group = new QButtonGroup(box);
        for (int i = 0; i < 4; ++i) {
            auto* r = new QRadioButton(QString::fromStdString(captions[static_cast<std::size_t>(i)]), box);
            r->setObjectName(QString("Option1_%1_%2").arg(o).arg(i));
            group->addButton(r, i);
            bv->addWidget(r);
            options_[static_cast<std::size_t>(o)][static_cast<std::size_t>(i)] = r;
            connect(r, &QRadioButton::toggled, this, [this](bool on) {
                if (on) Redraw();
            });
        }
        options_[static_cast<std::size_t>(o)][0]->setChecked(true);
        row->addWidget(box);
    }
    row->addStretch(1);
    v->addLayout(row);

    graph_->plotPressed = [this](double x, double y) {
        const QRect area = graph_->plotArea();
        const auto r = dsp::ViewAllCursorReading(x, y, area.width(), area.height(), context_.decimalComma);
        graph_->showReadout(QString::fromStdString(r.text), area.topLeft() + QPoint(int(x), int(y)));
    };
    graph_->plotDragged = graph_->plotPressed;
    graph_->plotReleased = [this] { graph_->hideReadout(); };

    subscriptions_.push_back(context_.responses.groupChanged.Connect([this](DeviceSlot s, int) {
        if (s == context_.slot) Redraw();
    }));
    KeepWindowGeometry(this, "ViewAllGraph", QSize(760, 460));
    loading_ = false;
    context_.responses.Keep(context_.slot);
    Redraw();
}

void ViewAllGraphWindow::Redraw() {
    if (loading_) return;
    ++redraws_;
    for (int o = 0; o < 2; ++o) {
        const bool on = checks_[static_cast<std::size_t>(dsp::kGroupOutput1 + o)]->isChecked();
        for (QRadioButton* r : options_[static_cast<std::size_t>(o)]) r->setEnabled(on);
    }
    const dsp::DeviceResponses* responses = context_.curves.find(context_.slot);
    graph_->clearTraces();
    if (!responses) return;
    dsp::Curve curve;
    std::size_t trace = 0;
    for (int g = 0; g < dsp::kGroups; ++g) {
        if (!checks_[static_cast<std::size_t>(g)]->isChecked()) continue;
        auto addition = dsp::InputAddition::None;
        if (dsp::IsOutputGroup(g)) {
            for (int i = 0; i < 4; ++i)
                if (options_[static_cast<std::size_t>(g - dsp::kGroupOutput1)][static_cast<std::size_t>(i)]->isChecked())
                    addition = static_cast<dsp::InputAddition>(i);
        }
        dsp::ViewAllCurve(*responses, g, addition, curve);
        const dsp::Rgb c = dsp::kGroupInfo[static_cast<std::size_t>(g)].colour;
        graph_->setTrace(trace++, curve, QColor(c.r, c.g, c.b));
    }
}

}  // namespace zef
