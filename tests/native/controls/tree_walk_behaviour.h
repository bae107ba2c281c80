// The walks' behaviour under children that change the tree from inside their callbacks, as
// tables. Included by the host's tree test and by the kit's, inside an anonymous namespace where
// Control, WindowMessage, RunDeletingDestructor, DestroyControl and Ring name that side's code,
// with WALK_FIXTURE naming the fixture; so the one table holds both sides to the same rules.
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

struct WALK_FIXTURE : ::testing::Test {
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
    ~WALK_FIXTURE() override {
        for (auto& [name, child] : live)
            DestroyControl(child);
    }
};

TEST_F(WALK_FIXTURE, UpdateWalkSurvivesChildrenThatDeleteThemselvesOrSiblings) {
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
TEST_F(WALK_FIXTURE, WalksSeeChangesMadeDeeperInTheTreeOrByMoving) {
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

TEST_F(WALK_FIXTURE, MessageWalkSurvivesHandlersThatChangeTheRing) {
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

TEST_F(WALK_FIXTURE, DrawWalkSurvivesMembersThatDeleteThemselvesOrOthers) {
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
