// Which keys of the profile play the macros about to be deleted, and what they become: the
// question before a delete names them, so no key changes without the user knowing.
#pragma once

#include <string>
#include <vector>

#include "profile/profile_record.h"

struct MacroTreeNode;

struct MacroUse {
    int key = 0;          // 0-based key index in the shown key set
    std::string macro;    // the macro's name
    std::string becomes;  // the label of the key's default function
};

// The keys of rec's current key set that play a macro at or below node.
std::vector<MacroUse> MacroUsesBelow(const MacroTreeNode* node, const ProfileRecord& rec);

// The delete question: the plain one, followed by one line per key in use.
std::string DeleteQuestion(const MacroTreeNode* node);
