// The kit's copy of the tree and panel code, built natively, held to the same behaviour tables
// as the host's (tree_walk_behaviour.h, panel_behaviour.h).
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tidemarch/controls.h"
#include "tree_lists.h"

namespace {
using namespace tidemarch;

void DestroyControl(Control* control) { Destroy(control); }

#define WALK_FIXTURE KitActingTree
#include "tree_walk_behaviour.h"

#define PANEL_SUITE KitPanelTest
#define TRANSITION_SUITE KitTransitionPanelTest
#include "panel_behaviour.h"

}  // namespace
