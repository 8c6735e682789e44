#pragma once
// MaskingPage: the channel editor's "SM" page: the masking channel (on/off,
// type, the channels it masks, its level) and the noise generator (colour
// and level).

#include "ui/editor_page.h"

namespace zef {

class MaskingPage final : public BoundPage {
    Q_OBJECT
public:
    explicit MaskingPage(ControlHost& host, QWidget* parent = nullptr);

private:
    QWidget* Masking(QWidget* parent);
    QWidget* NoiseGenerator(QWidget* parent);
};

}  // namespace zef
