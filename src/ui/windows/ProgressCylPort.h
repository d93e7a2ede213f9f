#pragma once
// The archive run's view of one progress bar, over a TProgressCyl. It lives with the windows,
// which know both the skin and the run; the skin knows nothing of the archive layer.

#include "ui/skin/ProgressCyl.h"

#include "archive/run/RunPorts.h"

class ProgressCylPort final : public ProgressPort {
public:
    explicit ProgressCylPort(TProgressCyl* bar) : bar_(bar) {}

    void SetMax(int value) override { bar_->SetMax(value); }
    void SetPosition(int value) override { bar_->SetPosition(value); }
    void SetVisible(bool visible) override { bar_->setVisible(visible); }
    void Refresh() override { bar_->repaint(); }

    TProgressCyl* Bar() const { return bar_; }

private:
    TProgressCyl* bar_;
};
