#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "controls/control.h"

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

std::vector<Control*> Ring(const Control& parent) {
    std::vector<Control*> out;
    if (!parent.firstChild) return out;
    Control* c = parent.firstChild;
    do {
        out.push_back(c);
        c = c->nextSibling;
    } while (c != parent.firstChild);
    return out;
}

std::vector<Control*> DrawList(const Control& owner) {
    std::vector<Control*> out;
    for (Control* c = owner.drawFirst; c; c = c->drawNext) {
        EXPECT_EQ(c->drawOwner, &owner);
        if (c->drawNext) {
            EXPECT_EQ(c->drawNext->drawPrev, c);
        }
        out.push_back(c);
    }
    return out;
}

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

// Children that act on the tree from inside their callbacks. Every child is on the heap, known
// by one letter, and deleted either by another child's action or by the fixture.
struct ActingChild : Control {
    using Action = std::function<Control*(ActingChild&)>;
    ActingChild(Control* parent, char name, int16_t priority, std::string& journal)
        : Control(parent, 0, 0, 0, 0, priority), name(name), journal(journal) {}
    void* DeletingDestructor(uint32_t flags) override { return RunDeletingDestructor(this, flags); }
    void Update() override {
        journal += name;
        Control::Update();  // its own children first: the action may destroy this control
        if (onUpdate) {
            Action act = std::move(onUpdate);  // once: the second frame shows the plain walk
            act(*this);
        }
    }
    void Draw(SurfaceControl* target, Rect* clip, Point* origin) override {
        journal += name;
        Control::Draw(target, clip, origin);
        if (onDraw) {
            Action act = std::move(onDraw);
            act(*this);
        }
    }
    Control* HandleMessage(WindowMessage*) override {
        journal += name;
        if (!onMessage) return prevSibling;
        Action act = onMessage;  // the handler may destroy this control, and its own copy with it
        return act(*this);
    }
    char name;
    std::string& journal;
    Action onUpdate;
    Action onMessage;
    Action onDraw;
};

struct ActingTree : ::testing::Test {
    Control parent{nullptr, 0, 0, 0, 0, 64};
    std::map<char, ActingChild*> live;
    std::string journal;

    // Children in ring order, with rising priorities.
    void Build(const std::string& names) {
        int16_t priority = 1;
        for (char n : names)
            live[n] = new ActingChild(&parent, n, priority++, journal);
    }
    void Delete(char name) {
        DestroyControl(live.at(name));
        live.erase(name);
    }
    void DeleteAllLive() {
        while (!live.empty())
            Delete(live.begin()->first);
    }

    // One child deletes controls ('.' stands for itself) inside its first call of a walk; the walk
    // reaches firstWalk, leaves survivors in the ring, and the next walk reaches each survivor once.
    struct DeletingCase {
        const char* what;
        const char* children;
        char actor;
        std::string deletes;  // in this order
        const char* firstWalk;
        const char* survivors;
    };
    void CheckWalkSurvives(const DeletingCase& c, ActingChild::Action ActingChild::*hook,
                           const std::function<void()>& walk) {
        SCOPED_TRACE(c.what);
        Build(c.children);
        live[c.actor]->*hook = [this, &c](ActingChild& self) {
            for (char d : c.deletes)
                Delete(d == '.' ? self.name : d);
            return nullptr;
        };
        walk();
        EXPECT_EQ(journal, c.firstWalk);
        EXPECT_EQ(RingNames(), c.survivors);
        journal.clear();
        walk();
        EXPECT_EQ(journal, c.survivors) << "every survivor once in the next walk";
        journal.clear();
        DeleteAllLive();
    }

    std::string RingNames() const {
        std::string out;
        for (Control* c : Ring(parent))
            out += static_cast<ActingChild*>(c)->name;
        return out;
    }
    ~ActingTree() override {
        for (auto& [name, child] : live)
            DestroyControl(child);
    }
};

TEST_F(ActingTree, UpdateWalkSurvivesChildrenThatDeleteThemselvesOrSiblings) {
    const DeletingCase cases[] = {
        {"only child deletes itself", "A", 'A', ".", "A", ""},
        {"first child deletes itself", "ABC", 'A', ".", "ABC", "BC"},
        {"last child deletes the first", "ABC", 'C', "A", "ABC", "BC"},
        {"middle child deletes itself", "ABC", 'B', ".", "ABC", "AC"},
        {"child deletes its next sibling", "ABC", 'A', "B", "AC", "AC"},
        {"last child deletes its next, the first", "ABC", 'C', "A", "ABC", "BC"},
        {"first child deletes the last", "ABC", 'A', "C", "AB", "AB"},
        {"child deletes an updated sibling", "ABC", 'B', "A", "ABC", "BC"},
        {"child deletes itself and its next sibling", "ABCD", 'B', ".C", "ABD", "AD"},
        {"first child deletes itself and the last", "ABC", 'A', ".C", "AB", "B"},
        {"child empties the ring", "ABC", 'B', "AC.", "AB", ""},
    };
    for (const DeletingCase& c : cases)
        CheckWalkSurvives(c, &ActingChild::onUpdate, [this] { parent.Update(); });
}

// Changes that reach a walk from further away than its own callee: a grandchild's update, or a
// sibling moved to another parent rather than destroyed.
TEST_F(ActingTree, WalksSeeChangesMadeDeeperInTheTreeOrByMoving) {
    Control elsewhere{nullptr, 0, 0, 0, 0, 64};
    struct Case {
        const char* what;
        ActingChild::Action ActingChild::*hook;
        std::function<void()> walk;
        bool byGrandchild;  // else A itself acts
        bool moves;         // else deletes
        const char* firstWalk;
    };
    const auto update = [this] { parent.Update(); };
    const auto draw = [this] { parent.Draw(nullptr, nullptr, nullptr); };
    const Case cases[] = {
        {"update: a grandchild deletes its parent's next sibling", &ActingChild::onUpdate, update, true,
         false, "AaC"},
        {"update: a child moves its next sibling to another parent", &ActingChild::onUpdate, update, false,
         true, "AC"},
        {"draw: a grandchild deletes its parent's next member", &ActingChild::onDraw, draw, true, false,
         "AaC"},
        {"draw: a member moves the next member to another owner", &ActingChild::onDraw, draw, false, true,
         "AC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Build("ABC");
        ActingChild* actor = live['A'];
        if (c.byGrandchild) actor = live['a'] = new ActingChild(live['A'], 'a', 1, journal);
        actor->*c.hook = [this, &c, &elsewhere](ActingChild&) -> Control* {
            if (!c.moves) {
                Delete('B');
            } else if (c.hook == &ActingChild::onUpdate) {
                elsewhere.InsertChild(live['B']);
            } else {
                elsewhere.InsertDrawChild(live['B']);
            }
            return nullptr;
        };
        c.walk();
        EXPECT_EQ(journal, c.firstWalk);
        journal.clear();
        DeleteAllLive();
    }
}

TEST_F(ActingTree, MessageWalkSurvivesHandlersThatChangeTheRing) {
    // A handler's result: null to consume, otherwise its previous sibling as it is after its action.
    struct Case {
        const char* what;
        char actor;
        std::string deletes;
        bool consumes;
        const char* asked;
        bool parentConsumed;
    };
    const Case cases[] = {
        {"top child removes itself and declines", 'C', ".", false, "CBA", false},
        {"middle child removes itself and declines", 'B', ".", false, "CBA", false},
        {"lowest child removes the top one and declines", 'A', "C", false, "CBA", false},
        {"a dialog closes itself on a click", 'C', ".", true, "C", true},
        {"a handler empties the ring and consumes", 'B', "AC.", true, "CB", true},
        {"a handler empties the ring and declines", 'B', "AC.", false, "CB", false},
        {"top child removes its lower siblings and declines", 'C', "AB", false, "C", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Build("ABC");
        live[c.actor]->onMessage = [this, &c](ActingChild& self) -> Control* {
            Control* previous = self.prevSibling;
            for (char d : c.deletes) {
                if (d == '.') {
                    Delete(self.name);  // the handler then answers with what it read before
                } else {
                    Delete(d);
                    previous = self.prevSibling;
                }
            }
            return c.consumes ? nullptr : previous;
        };
        WindowMessage m{};
        Control* result = parent.HandleMessage(&m);
        EXPECT_EQ(journal, c.asked);
        // Declining, the parent answers with its own previous sibling: itself, outside any ring.
        EXPECT_EQ(result, c.parentConsumed ? nullptr : &parent);
        journal.clear();
        DeleteAllLive();
    }
}

TEST_F(ActingTree, DrawWalkSurvivesMembersThatDeleteThemselvesOrOthers) {
    const DeletingCase cases[] = {
        {"only member deletes itself", "A", 'A', ".", "A", ""},
        {"first member deletes itself", "ABC", 'A', ".", "ABC", "BC"},
        {"member deletes the next", "ABC", 'A', "B", "AC", "AC"},
        {"member deletes itself and the next", "ABCD", 'B', ".C", "AB", "AD"},
        {"last member deletes the first", "ABC", 'C', "A", "ABC", "BC"},
        {"member deletes a drawn one", "ABC", 'B', "A", "ABC", "BC"},
    };
    for (const DeletingCase& c : cases)
        CheckWalkSurvives(c, &ActingChild::onDraw, [this] { parent.Draw(nullptr, nullptr, nullptr); });
}

}  // namespace
