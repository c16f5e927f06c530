#include "ui/macro_in_use.h"

#include <mutex>

#include "config/device_model.h"
#include "config/ui_text.h"
#include "macro/key_names.h"
#include "macro/macro_library.h"
#include "macro/macro_ops.h"
#include "macro/macro_record.h"
#include "macro/macro_tree.h"
#include "profile/function_codes.h"
#include "profile/profile_list.h"

namespace {

void CollectMacros(const MacroTreeNode* node, std::vector<std::pair<uint32_t, std::string>>* out) {
    if (!node) return;
    if (!node->isFolder) {
        if (const StMacro* rec = FindRecordOfItem(node))
            out->emplace_back(rec->dwMacroID, MacroName(*rec));
        return;
    }
    for (const auto& c : node->children) CollectMacros(c.get(), out);
}

// "%1", "%2", "%3" of pattern replaced by the arguments, each once.
std::string Fill(std::string pattern, const std::string (&args)[3]) {
    for (int i = 0; i < 3; ++i) {
        const std::string mark = "%" + std::to_string(i + 1);
        const size_t at = pattern.find(mark);
        if (at != std::string::npos) pattern.replace(at, mark.size(), args[i]);
    }
    return pattern;
}

}  // namespace

std::vector<MacroUse> MacroUsesBelow(const MacroTreeNode* node, const ProfileRecord& rec) {
    std::vector<std::pair<uint32_t, std::string>> macros;
    {
        std::lock_guard<std::recursive_mutex> lock(MacroLibraryMutex());
        CollectMacros(node, &macros);
    }
    std::vector<MacroUse> uses;
    const int set = rec.KeySetIndex();
    for (int k = 0; k < kKeysPerSet; ++k) {
        const KeyEntry& key = rec.keys[set][k];
        if (FunClass(key.dwFunID) != FunClass(kFunMacro)) continue;
        for (const auto& [id, name] : macros) {
            if (key.dwMacroID != id) continue;
            uses.push_back({k, name, KeyFunctionLabel(g_DefaultKeys[set][k])});
            break;
        }
    }
    return uses;
}

std::string DeleteQuestion(const MacroTreeNode* node) {
    std::string text = g_UiText.tc_msg6;
    const auto rec = g_ProfileList.Snapshot();
    if (!rec) return text;
    for (const MacroUse& use : MacroUsesBelow(node, *rec)) {
        const std::string args[3] = {std::to_string(use.key + 1), use.macro, use.becomes};
        text += "\n" + Fill(g_UiText.tc_macro_in_use, args);
    }
    return text;
}
