#pragma once
// The archive run's view of one progress bar, over a CylinderBar. It lives with the windows,
// which know both the skin and the run; the skin knows nothing of the archive layer.

#include "ui/skin/CylinderBar.h"

#include "archive/run/RunPorts.h"

class CylinderBarPort final : public ProgressPort {
public:
    explicit CylinderBarPort(CylinderBar* bar) : bar_(bar) {}

    void SetMax(int value) override { bar_->SetMax(value); }
    void SetPosition(int value) override { bar_->SetPosition(value); }
    void SetVisible(bool visible) override { bar_->setVisible(visible); }
    void Refresh() override { bar_->repaint(); }

    CylinderBar* Bar() const { return bar_; }

private:
    CylinderBar* bar_;
};
