#pragma once
// The archive run's view of one progress bar, over a TProgressCyl. Header-only, so the skin
// library needs nothing of the archive library (RunPorts.h is header-only too).

#include "ProgressCyl.h"

#include <RunPorts.h>

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
