#pragma once

class CChildFrame;
class FormView;

// Where screens' frames live: the main window. The newest open frame is the active one.
class MdiHost {
public:
    virtual ~MdiHost() = default;
    virtual void addFrame(CChildFrame* frame) = 0;
    virtual void removeFrame(CChildFrame* frame) = 0;
    virtual void frameTitleChanged(CChildFrame* frame) = 0;
    // The screen in front; null when none is open.
    virtual FormView* activeView() const = 0;

    static MdiHost* instance();
    static void setInstance(MdiHost* host);
};
