#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "control_classes/panel.h"

namespace {

#define PANEL_SUITE PanelTest
#define TRANSITION_SUITE TransitionPanelTest
#include "panel_behaviour.h"

}  // namespace
