#include "platform/common/input_script.h"

#include <sstream>

#include "platform/common/file_read.h"
#include "platform/dinput.h"

const ScriptKey kScriptKeys[10] = {
    {0x001, "Z", 'Z', DIK_Z},
    {0x002, "X", 'X', DIK_X},
    {0x004, "Space", VK_SPACE, DIK_SPACE},
    {0x008, "Enter", VK_RETURN, DIK_RETURN},
    {0x010, "Escape", VK_ESCAPE, DIK_ESCAPE},
    {0x020, "F1", VK_F1, DIK_F1},
    {0x040, "Up", VK_UP, DIK_UP},
    {0x080, "Down", VK_DOWN, DIK_DOWN},
    {0x100, "Left", VK_LEFT, DIK_LEFT},
    {0x200, "Right", VK_RIGHT, DIK_RIGHT},
};

unsigned ScriptKeyBit(const std::string& name)
{
    for (const ScriptKey& key : kScriptKeys) {
        if (name == key.name) return key.bit;
    }
    return 0;
}

bool ParseInputScript(const std::string& text, InputScript& script, std::string& error)
{
    script.changes.clear();
    std::istringstream lines(text);
    std::string line;
    int lineNo = 0;
    int lastFrame = 0;
    while (std::getline(lines, line)) {
        ++lineNo;
        size_t hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        std::istringstream words(line);
        std::string first;
        if (!(words >> first)) continue;
        char* end = nullptr;
        long frame = strtol(first.c_str(), &end, 10);
        if (*end != '\0' || frame <= lastFrame || frame > 100000000) {
            error = "line " + std::to_string(lineNo) + ": a frame number above " + std::to_string(lastFrame) +
                    " was expected";
            return false;
        }
        unsigned held = 0;
        std::string name;
        bool none = false;
        while (words >> name) {
            if (name == "-") {
                none = true;
                continue;
            }
            unsigned bit = ScriptKeyBit(name);
            if (bit == 0) {
                error = "line " + std::to_string(lineNo) + ": no key called '" + name + "'";
                return false;
            }
            held |= bit;
        }
        if (held == 0 && !none) {
            error = "line " + std::to_string(lineNo) + ": keys or '-' were expected";
            return false;
        }
        script.changes.emplace_back((int)frame, held);
        lastFrame = (int)frame;
    }
    return true;
}

bool LoadInputScript(const char* path, InputScript& script, std::string& error)
{
    // Read as the game's data files are: a named pipe would hold the game
    // before its first frame, and a device such as /dev/zero never ends.
    FileIdentity id;
    std::vector<uint8_t> bytes;
    std::string why;
    if (!ReadWholeFile(path, kMaxInputScriptBytes, &id, &bytes, &why)) {
        error = std::string("cannot read ") + path + ": " + why;
        return false;
    }
    return ParseInputScript(std::string(bytes.begin(), bytes.end()), script, error);
}

unsigned ScriptKeysAt(const InputScript& script, int frame)
{
    unsigned held = 0;
    for (const auto& change : script.changes) {
        if (change.first > frame) break;
        held = change.second;
    }
    return held;
}
