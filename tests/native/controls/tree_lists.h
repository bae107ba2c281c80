#pragma once
// A control's child ring and draw list as vectors, for the host's controls and the kit's alike.
#include <gtest/gtest.h>

#include <type_traits>
#include <vector>

// Node is the base control class of the side the owner belongs to.
template <class Owner, class Node = std::remove_pointer_t<decltype(Owner::firstChild)>>
std::vector<Node*> Ring(const Owner& parent) {
    std::vector<Node*> out;
    if (!parent.firstChild) return out;
    Node* c = parent.firstChild;
    do {
        out.push_back(c);
        c = c->nextSibling;
    } while (c != parent.firstChild);
    return out;
}

template <class Owner, class Node = std::remove_pointer_t<decltype(Owner::drawFirst)>>
std::vector<Node*> DrawList(const Owner& owner) {
    std::vector<Node*> out;
    for (Node* c = owner.drawFirst; c; c = c->drawNext) {
        EXPECT_EQ(c->drawOwner, static_cast<const Node*>(&owner));
        if (c->drawNext) {
            EXPECT_EQ(c->drawNext->drawPrev, c);
        }
        out.push_back(c);
    }
    return out;
}
