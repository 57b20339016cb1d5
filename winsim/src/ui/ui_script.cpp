#include "ui/ui_script.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "ui/ui_transcript.h"

namespace winsim {
namespace {

struct Named {
    const char* name;
    int value;
};

const Named kAnswers[] = {{"IDOK", 1},    {"IDCANCEL", 2}, {"IDABORT", 3},     {"IDRETRY", 4},     {"IDIGNORE", 5},
                          {"IDYES", 6},   {"IDNO", 7},     {"IDTRYAGAIN", 10}, {"IDCONTINUE", 11}};

const Named kKeys[] = {{"TAB", VK_TAB},       {"ENTER", VK_RETURN}, {"RETURN", VK_RETURN},  {"ESC", VK_ESCAPE},
                       {"ESCAPE", VK_ESCAPE}, {"SPACE", VK_SPACE},  {"UP", VK_UP},          {"DOWN", VK_DOWN},
                       {"LEFT", VK_LEFT},     {"RIGHT", VK_RIGHT},  {"HOME", VK_HOME},      {"END", VK_END},
                       {"PGUP", VK_PRIOR},    {"PGDN", VK_NEXT},    {"F4", VK_F4},          {"BACKSPACE", VK_BACK}};

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool Number(const std::string& word, long& value) {
    if (word.empty()) return false;
    char* end = nullptr;
    value = std::strtol(word.c_str(), &end, 0);
    return *end == '\0';
}

bool ControlId(const std::string& word, int& id) {
    std::string u = Upper(word);
    if (u == "IDOK") id = IDOK;
    else if (u == "IDCANCEL") id = IDCANCEL;
    else {
        long value = 0;
        if (!Number(word, value) || value < 0 || value > 0xFFFF) return false;
        id = static_cast<int>(value);
    }
    return true;
}

bool Key(const std::string& word, UiAction& action) {
    std::string u = Upper(word);
    for (;;) {
        if (u.rfind("SHIFT+", 0) == 0) {
            action.shift = true;
            u = u.substr(6);
        } else if (u.rfind("ALT+", 0) == 0) {
            action.alt = true;
            u = u.substr(4);
        } else {
            break;
        }
    }
    for (const Named& k : kKeys) {
        if (u == k.name) {
            action.key = static_cast<UINT>(k.value);
            return true;
        }
    }
    if (u.size() == 1 && std::isalnum(static_cast<unsigned char>(u[0]))) {
        action.key = static_cast<UINT>(u[0]);
        return true;
    }
    return false;
}

bool Answer(const std::string& word, int& answer) {
    std::string u = Upper(word);
    for (const Named& a : kAnswers) {
        if (u == a.name) {
            answer = a.value;
            return true;
        }
    }
    long value = 0;
    if (!Number(word, value) || value < 1 || value > 11) return false;
    answer = static_cast<int>(value);
    return true;
}

// One action; `words` holds its words without a leading "busy".
bool ParseAction(const std::vector<std::string>& words, UiAction& a, std::string& why) {
    const std::string verb = words.empty() ? "" : words[0];
    auto count = [&](size_t n, const char* usage) {
        if (words.size() == n) return true;
        why = std::string("expected '") + usage + "'";
        return false;
    };
    if (verb == "click") {
        a.kind = UiAction::Kind::Click;
        if (!count(2, "click ID")) return false;
        if (!ControlId(words[1], a.control)) return (why = "'" + words[1] + "' is not a control id", false);
    } else if (verb == "select") {
        a.kind = UiAction::Kind::Select;
        if (!count(3, "select ID INDEX")) return false;
        if (!ControlId(words[1], a.control)) return (why = "'" + words[1] + "' is not a control id", false);
        long index = 0;
        if (!Number(words[2], index) || index < 0 || index > 0xFFFF)
            return (why = "'" + words[2] + "' is not an item index (0, 1, ...)", false);
        a.index = static_cast<int>(index);
    } else if (verb == "close") {
        a.kind = UiAction::Kind::Close;
        if (!count(1, "close")) return false;
    } else if (verb == "key") {
        a.kind = UiAction::Kind::Key;
        if (!count(2, "key NAME")) return false;
        if (!Key(words[1], a)) return (why = "'" + words[1] + "' is not a key name", false);
    } else if (verb == "wait") {
        a.kind = UiAction::Kind::Wait;
        if (!count(1, "wait")) return false;
    } else if (verb == "answer") {
        a.kind = UiAction::Kind::Answer;
        if (!count(2, "answer ANSWER")) return false;
        if (!Answer(words[1], a.answer)) return (why = "'" + words[1] + "' is not a message box answer", false);
    } else {
        why = "unknown action '" + verb + "' (click, select, close, key, wait, answer, busy)";
        return false;
    }
    return true;
}

struct ScriptState {
    bool loaded = false;
    bool present = false;
    bool fromEnvironment = false;
    std::vector<UiAction> actions;
    size_t next = 0;
};

ScriptState& State() {
    static ScriptState state;
    return state;
}

// A script from the environment should be played to its end: lines left
// when the process ends are told, since the run went otherwise than written.
void ReportUnused() {
    ScriptState& s = State();
    if (!s.fromEnvironment || s.next >= s.actions.size()) return;
    size_t left = s.actions.size() - s.next;
    std::fprintf(stderr, "winsim: the UI script has %zu line%s left unused, from line %d '%s'\n", left,
                 left == 1 ? "" : "s", s.actions[s.next].line, s.actions[s.next].text.c_str());
    for (size_t i = s.next; i < s.actions.size(); ++i)
        TranscriptLine("unused line " + std::to_string(s.actions[i].line) + ": " + s.actions[i].text);
}

[[noreturn]] void BadScript(const std::string& source, const std::string& error) {
    std::fprintf(stderr, "winsim: %s: %s\n", source.c_str(), error.c_str());
    std::exit(3);
}

void LoadFromEnvironment(ScriptState& s) {
    if (s.loaded) return;
    s.loaded = true;
    std::string text, source;
    if (const char* file = std::getenv("WINSIM_UI_SCRIPT"); file && *file) {
        std::ifstream in(file, std::ios::binary);
        if (!in) BadScript("WINSIM_UI_SCRIPT", std::string("cannot read ") + file);
        std::stringstream all;
        all << in.rdbuf();
        text = all.str();
        source = file;
    } else if (const char* inline_ = std::getenv("WINSIM_UI_INPUT"); inline_ && *inline_) {
        text = inline_;
        source = "WINSIM_UI_INPUT";
    } else {
        return;
    }
    std::string error;
    if (!ParseUiScript(text, s.actions, error)) BadScript(source, error);
    s.present = true;
    s.fromEnvironment = true;
    static bool registered = false;
    if (!registered) std::atexit(ReportUnused);
    registered = true;
}

}  // namespace

bool ParseUiScript(const std::string& text, std::vector<UiAction>& actions, std::string& error) {
    actions.clear();
    int line = 1;
    std::string item;
    auto finish = [&]() {
        std::string body = item.substr(0, item.find('#'));
        std::istringstream in(body);
        std::vector<std::string> words;
        for (std::string w; in >> w;) words.push_back(w);
        item.clear();
        if (words.empty()) return true;
        UiAction action;
        action.line = line;
        for (size_t i = 0; i < words.size(); ++i) action.text += (i ? " " : "") + words[i];
        if (words[0] == "busy") {
            action.busy = true;
            words.erase(words.begin());
        }
        std::string why;
        if (!ParseAction(words, action, why)) {
            error = "line " + std::to_string(line) + " '" + action.text + "': " + why;
            return false;
        }
        if (action.busy && action.kind == UiAction::Kind::Answer) {
            error = "line " + std::to_string(line) + " '" + action.text + "': a message box is answered without 'busy'";
            return false;
        }
        actions.push_back(action);
        return true;
    };
    for (char c : text) {
        if (c == '\n' || c == ';') {
            if (!finish()) return false;
            ++line;
        } else if (c != '\r') {
            item += c;
        }
    }
    return finish();
}

std::string KeyName(const UiAction& action) {
    std::string name;
    for (const Named& k : kKeys) {
        if (static_cast<UINT>(k.value) == action.key) {
            name = k.name;
            break;
        }
    }
    if (name.empty()) name = std::string(1, static_cast<char>(action.key));
    return (action.alt ? "ALT+" : "") + std::string(action.shift ? "SHIFT+" : "") + name;
}

std::string AnswerName(int answer) {
    for (const Named& a : kAnswers)
        if (a.value == answer) return a.name;
    return std::to_string(answer);
}

const UiAction* NextScriptAction() {
    ScriptState& s = State();
    LoadFromEnvironment(s);
    return s.next < s.actions.size() ? &s.actions[s.next] : nullptr;
}

void TakeScriptAction() {
    ScriptState& s = State();
    LoadFromEnvironment(s);
    if (s.next < s.actions.size()) ++s.next;
}

size_t ScriptActionsLeft() {
    ScriptState& s = State();
    LoadFromEnvironment(s);
    return s.actions.size() - s.next;
}

bool HasScript() {
    ScriptState& s = State();
    LoadFromEnvironment(s);
    return s.present;
}

bool ScriptFromEnvironment() {
    ScriptState& s = State();
    LoadFromEnvironment(s);
    return s.fromEnvironment;
}

void SetScript(std::vector<UiAction> actions) {
    ScriptState& s = State();
    s = ScriptState{};
    s.loaded = true;
    s.present = true;
    s.actions = std::move(actions);
}

void ForgetScript() { State() = ScriptState{}; }

}  // namespace winsim
