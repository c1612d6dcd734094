// The key table: what each character code does to the viewer state.
#include "viewer/keys.h"

#include "viewer/model.h"
#include "viewer/render.h"
#include "viewer/state.h"
#include "viewer/view.h"

static int Toggled(int value)
{
    return value == 0 ? 1 : 0;
}

// 'j' and 'k' move keyLevel by 0.05 within [0.01, 1.05]; the sum is formed in double precision
// and compared before it is rounded, so the bounds are met exactly.
static void StepKeyLevel(double step)
{
    double next = double(viewer.keyLevel) + step;
    viewer.keyLevel = float(next);
    if (step > 0 && next >= double(1.05f)) viewer.keyLevel = 1.05f;
    if (step < 0 && next <= double(0.01f)) viewer.keyLevel = 0.01f;
}

KeyResult KeyCommand(int charCode)
{
    switch (charCode) {
    case kKeyEscape:
        return KEY_CLOSE;
    case 'f':
        viewer.fogOn = Toggled(viewer.fogOn);
        break;
    case 'p':
        viewer.wireframeOn = Toggled(viewer.wireframeOn);
        break;
    case 'j':
        StepKeyLevel(0.05);
        break;
    case 'k':
        StepKeyLevel(-0.05);
        break;
    case '+':
        ViewZoomKey(1);
        return KEY_CONSUMED;
    case '-':
        ViewZoomKey(-1);
        return KEY_CONSUMED;
    case 'r':
        ViewReset();
        return KEY_CONSUMED;
    case 'c':
        if (!ModelColored()) return KEY_DEFAULT; // nothing to switch to: not a command then
        viewer.fileColorsOn = Toggled(viewer.fileColorsOn);
        break;
    default:
        return KEY_DEFAULT;
    }
    RequestRedraw();
    return KEY_CONSUMED;
}
