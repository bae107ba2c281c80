#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "controls/control.h"
#include "tree_lists.h"

namespace {

// A control that records what happens to it in a shared journal.
class Probe : public Control {
  public:
    Probe(std::vector<std::string>& journal, const char* name, Control* parent, int16_t priority)
        : Control(parent, 0, 0, 0, 0, priority), journal_(journal), name_(name) {}
    void* DeletingDestructor(uint32_t flags) override { return RunDeletingDestructor(this, flags); }
    void Update() override {
        journal_.push_back(name_ + ".Update");
        Control::Update();
    }
    Control* HandleMessage(WindowMessage* m) override {
        journal_.push_back(name_ + ".Handle");
        if (consumes) return nullptr;
        Control* r = Control::HandleMessage(m);
        return r;
    }
    void Draw(SurfaceControl* target, Rect* clip, Point* origin) override {
        if (!HasFlag(control_flags::Visible)) return;
        Control* rest = DrawMembersBehind(target, clip, origin);
        journal_.push_back(name_ + ".Draw");
        DrawMembersFrom(rest, target, clip, origin);
    }
    bool consumes = false;

  private:
    std::vector<std::string>& journal_;
    std::string name_;
};

struct TreeTest : ::testing::Test {
    std::vector<std::string> journal;
};

TEST_F(TreeTest, ConstructorSetsTheDocumentedDefaults) {
    Control c(nullptr, 10, 20, 110, 70, 64);
    EXPECT_EQ(c.x, 10);
    EXPECT_EQ(c.y, 20);
    EXPECT_EQ(c.offsetX, 0);
    EXPECT_EQ(c.bounds, (Rect{0, 0, 100, 50}));
    EXPECT_EQ(c.flags, 0xE00F);
    EXPECT_EQ(c.alpha, 256);
    EXPECT_EQ(c.effect, 0);
    EXPECT_EQ(c.prevSibling, &c);
    EXPECT_EQ(c.nextSibling, &c);
    EXPECT_EQ(c.parent, nullptr);
    EXPECT_EQ(c.drawOwner, nullptr);
    EXPECT_EQ(c.drawFirst, nullptr);
}

TEST_F(TreeTest, EqualPrioritiesKeepInsertionOrderInRingAndDrawList) {
    Control parent(nullptr, 0, 0, 0, 0, 64);
    Control a(&parent, 0, 0, 0, 0, 64), b(&parent, 0, 0, 0, 0, 10), c(&parent, 0, 0, 0, 0, 64);
    EXPECT_EQ(Ring(parent), (std::vector<Control*>{&b, &a, &c}));
    EXPECT_EQ(DrawList(parent), (std::vector<Control*>{&b, &a, &c}));
    EXPECT_EQ(parent.firstChild->prevSibling, &c);  // highest priority closes the ring
}

TEST_F(TreeTest, UpdateVisitsRingInOrderAndHandleMessageInReverse) {
    Probe parent(journal, "P", nullptr, 64);
    Probe a(journal, "A", &parent, 64), b(journal, "B", &parent, 10), c(journal, "C", &parent, 64);
    parent.Update();
    EXPECT_EQ(journal, (std::vector<std::string>{"P.Update", "B.Update", "A.Update", "C.Update"}));
    journal.clear();
    WindowMessage m{};
    EXPECT_EQ(parent.HandleMessage(&m), parent.prevSibling);
    EXPECT_EQ(journal, (std::vector<std::string>{"P.Handle", "C.Handle", "A.Handle", "B.Handle"}));
}

TEST_F(TreeTest, ConsumingChildStopsTheWalk) {
    Probe parent(journal, "P", nullptr, 64);
    Probe a(journal, "A", &parent, 10), b(journal, "B", &parent, 20);
    b.consumes = true;
    WindowMessage m{};
    EXPECT_EQ(parent.HandleMessage(&m), nullptr);
    EXPECT_EQ(journal, (std::vector<std::string>{"P.Handle", "B.Handle"}));
}

TEST_F(TreeTest, DisabledInputHidesTheSubtree) {
    Probe parent(journal, "P", nullptr, 64);
    Probe a(journal, "A", &parent, 10);
    parent.SetFlag(control_flags::InputEnabled, false);
    WindowMessage m{};
    EXPECT_EQ(parent.HandleMessage(&m), parent.prevSibling);
    EXPECT_EQ(journal, (std::vector<std::string>{"P.Handle"}));
}

TEST_F(TreeTest, NegativePrioritiesDrawBehindTheOwnImage) {
    Probe parent(journal, "P", nullptr, 64);
    Probe behind(journal, "Behind", &parent, -1), front(journal, "Front", &parent, 0);
    parent.Draw(nullptr, nullptr, nullptr);
    EXPECT_EQ(journal, (std::vector<std::string>{"Behind.Draw", "P.Draw", "Front.Draw"}));
}

TEST_F(TreeTest, InvisibleOrInactiveSubtreesAreSkipped) {
    Probe parent(journal, "P", nullptr, 64);
    Probe child(journal, "C", &parent, 64);
    Probe grandchild(journal, "G", &child, 64);
    child.SetFlag(control_flags::Visible, false);
    child.SetFlag(control_flags::Active, false);
    parent.Draw(nullptr, nullptr, nullptr);
    parent.Update();
    EXPECT_EQ(journal, (std::vector<std::string>{"P.Draw", "P.Update", "C.Update"}));
}

TEST_F(TreeTest, DestroyingAParentDetachesChildrenAlive) {
    auto* parent = new Control(nullptr, 0, 0, 0, 0, 64);
    Control a(parent, 0, 0, 0, 0, 1), b(parent, 0, 0, 0, 0, 2);
    DestroyControl(parent);
    for (Control* c : {&a, &b}) {
        EXPECT_EQ(c->parent, nullptr);
        EXPECT_EQ(c->drawOwner, nullptr);
        EXPECT_EQ(c->prevSibling, c);
        EXPECT_EQ(c->nextSibling, c);
        EXPECT_EQ(c->drawPrev, nullptr);
        EXPECT_EQ(c->drawNext, nullptr);
    }
}

TEST_F(TreeTest, DestroyingAChildUnlinksItFromParent) {
    Control parent(nullptr, 0, 0, 0, 0, 64);
    Control a(&parent, 0, 0, 0, 0, 1);
    auto* b = new Control(&parent, 0, 0, 0, 0, 2);
    Control c(&parent, 0, 0, 0, 0, 3);
    DestroyControl(b);
    EXPECT_EQ(Ring(parent), (std::vector<Control*>{&a, &c}));
    EXPECT_EQ(DrawList(parent), (std::vector<Control*>{&a, &c}));
}

TEST_F(TreeTest, SlotZeroWithoutDeleteFlagOnlyDestroys) {
    alignas(Control) unsigned char storage[sizeof(Control)];
    Control parent(nullptr, 0, 0, 0, 0, 64);
    auto* c = new (storage) Control(&parent, 0, 0, 0, 0, 64);
    EXPECT_EQ(c->DeletingDestructor(0), c);
    EXPECT_EQ(parent.firstChild, nullptr);
    EXPECT_EQ(parent.drawFirst, nullptr);
}

TEST_F(TreeTest, InsertChildMovesAControlToAnotherParent) {
    Control p1(nullptr, 0, 0, 0, 0, 64), p2(nullptr, 0, 0, 0, 0, 64);
    Control a(&p1, 0, 0, 0, 0, 5), b(&p1, 0, 0, 0, 0, 6);
    p2.InsertChild(&a);
    p2.InsertDrawChild(&a);
    EXPECT_EQ(Ring(p1), (std::vector<Control*>{&b}));
    EXPECT_EQ(DrawList(p1), (std::vector<Control*>{&b}));
    EXPECT_EQ(Ring(p2), (std::vector<Control*>{&a}));
    EXPECT_EQ(a.parent, &p2);
}

TEST_F(TreeTest, MovingFollowsOnlyChildrenWithTheFlag) {
    Control parent(nullptr, 0, 0, 0, 0, 64);
    Control follower(&parent, 10, 10, 0, 0, 64);
    Control stayer(&parent, 20, 20, 0, 0, 64);
    Control stayersChild(&stayer, 30, 30, 0, 0, 64);
    stayer.SetFlag(control_flags::FollowParentMove, false);
    parent.MoveBy(5, 0);
    EXPECT_EQ(follower.x, 15);
    EXPECT_EQ(stayer.x, 20);
    EXPECT_EQ(stayersChild.x, 30);
    parent.MoveTo(100, 50);  // delta (95, 50)
    EXPECT_EQ(follower.x, 110);
    EXPECT_EQ(follower.y, 60);
    parent.SetX(0);
    EXPECT_EQ(follower.x, 10);
    EXPECT_EQ(follower.y, 60);
    parent.MoveByX(-10);
    EXPECT_EQ(follower.x, 0);
}

TEST_F(TreeTest, AlphaAndEffectStopAtChildrenWithoutInheritance) {
    Control parent(nullptr, 0, 0, 0, 0, 64);
    Control inheriting(&parent, 0, 0, 0, 0, 64);
    Control own(&parent, 0, 0, 0, 0, 64);
    Control ownsChild(&own, 0, 0, 0, 0, 64);
    own.SetFlag(control_flags::InheritAlpha, false);
    own.SetFlag(control_flags::InheritEffect, false);
    parent.SetAlpha(128);
    parent.SetEffect(-40);
    EXPECT_EQ(inheriting.alpha, 128);
    EXPECT_EQ(inheriting.effect, -40);
    EXPECT_EQ(own.alpha, 256);
    EXPECT_EQ(own.effect, 0);
    EXPECT_EQ(ownsChild.alpha, 256);
}

TEST_F(TreeTest, OpenAndCloseSetExactFlagValues) {
    struct Case {
        uint16_t before;
        uint16_t afterOpen;
        uint16_t afterClose;
    };
    // Open keeps the high bits and the unnamed low bits it does not name; Close clears input.
    for (Case c : {Case{0x0000, 0x0107, 0x0405}, Case{0xE00F, 0xE10F, 0xE40D}, Case{0xFFFF, 0xE1FF, 0xE4FD},
                   Case{0x0A10, 0x0117, 0x0415}}) {
        Control control(nullptr, 0, 0, 0, 0, 64);
        control.flags = c.before;
        control.Open();
        EXPECT_EQ(control.flags, c.afterOpen) << std::hex << c.before;
        control.Close();
        EXPECT_EQ(control.flags, c.afterClose) << std::hex << c.before;
    }
}

TEST_F(TreeTest, UpdateSurvivesAChildRemovingItself) {
    struct SelfRemoving : Control {
        using Control::Control;
        void* DeletingDestructor(uint32_t flags) override { return RunDeletingDestructor(this, flags); }
        void Update() override { DestroyControl(this); }
    };
    Control parent(nullptr, 0, 0, 0, 0, 64);
    new SelfRemoving(&parent, 0, 0, 0, 0, 1);
    Control keeper(&parent, 0, 0, 0, 0, 2);
    parent.Update();
    EXPECT_EQ(Ring(parent), (std::vector<Control*>{&keeper}));
}

#define WALK_FIXTURE ActingTree
#include "tree_walk_behaviour.h"

}  // namespace
