// The README lists the fields of "mivora-cli read --json"; the list and the output must agree.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "support/support.h"

namespace {

using testing_support::Slurp;

// Collects the paths of the leaf values of a JSON text ("a.b", "list[].c"); false on text that
// is not JSON.
class JsonPaths {
  public:
    explicit JsonPaths(const std::string& text) : m_text(text) {}
    bool Parse(std::set<std::string>& out) {
        m_out = &out;
        if (!Value("")) return false;
        Blank();
        return m_pos == m_text.size();
    }

  private:
    void Blank() {
        while (m_pos < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[m_pos])))
            ++m_pos;
    }
    bool Eat(char c) {
        Blank();
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }
    bool String(std::string* out) {
        if (!Eat('"')) return false;
        std::string s;
        while (m_pos < m_text.size() && m_text[m_pos] != '"') {
            if (m_text[m_pos] == '\\') ++m_pos;
            if (m_pos < m_text.size()) s += m_text[m_pos++];
        }
        if (m_pos >= m_text.size()) return false;
        ++m_pos;
        if (out) *out = s;
        return true;
    }
    bool Value(const std::string& path) {
        Blank();
        if (m_pos >= m_text.size()) return false;
        const char c = m_text[m_pos];
        if (c == '{') {
            ++m_pos;
            if (Eat('}')) return true;
            do {
                std::string key;
                if (!String(&key) || !Eat(':')) return false;
                if (!Value(path.empty() ? key : path + "." + key)) return false;
            } while (Eat(','));
            return Eat('}');
        }
        if (c == '[') {
            ++m_pos;
            if (Eat(']')) return true;
            do {
                if (!Value(path + "[]")) return false;
            } while (Eat(','));
            return Eat(']');
        }
        if (c == '"') {
            if (!String(nullptr)) return false;
        } else {
            const size_t start = m_pos;
            while (m_pos < m_text.size() &&
                   (std::isalnum(static_cast<unsigned char>(m_text[m_pos])) ||
                    std::strchr("+-.", m_text[m_pos])))
                ++m_pos;
            const std::string word = m_text.substr(start, m_pos - start);
            if (word.empty()) return false;
            if (!std::isdigit(static_cast<unsigned char>(word.back())) && word != "true" &&
                word != "false" && word != "null")
                return false;
        }
        m_out->insert(path);
        return true;
    }

    const std::string& m_text;
    size_t m_pos = 0;
    std::set<std::string>* m_out = nullptr;
};

// The field names of the README's list under "### Fields of `read --json`".
std::set<std::string> DocumentedFields() {
    const std::string readme = Slurp(std::string(MIVORA_SOURCE_DIR) + "/README.md");
    std::set<std::string> fields;
    const size_t start = readme.find("### Fields of `read --json`");
    if (start == std::string::npos) return fields;
    std::istringstream lines(readme.substr(start));
    std::string line;
    std::getline(lines, line);
    const std::regex item("^- `([a-z_.\\[\\]]+)`: .*");
    while (std::getline(lines, line) && line.rfind("#", 0) != 0) {
        std::smatch m;
        if (std::regex_match(line, m, item)) fields.insert(m[1]);
    }
    return fields;
}

TEST(ReadJsonDoc, TheReadmeListsExactlyTheFieldsOfTheOutput) {
    setenv("MIVORA_POINTER_SETTINGS", "none", 1);
    testing_support::TempDir dir;
    const std::string cmd = std::string(MIVORA_BIN_DIR) + "/mivora-cli --data-dir '" +
                            dir.File("data") + "' --virtual-mouse='" + dir.File("mouse.bin") +
                            "' read --json >'" + dir.File("out") + "' 2>&1";
    const int status = std::system(cmd.c_str());
    const std::string out = Slurp(dir.File("out"));
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << out;

    std::set<std::string> actual;
    ASSERT_TRUE(JsonPaths(out).Parse(actual)) << "not JSON: " << out;
    const std::set<std::string> documented = DocumentedFields();
    ASSERT_FALSE(documented.empty()) << "the README has no field list of read --json";
    for (const std::string& f : actual)
        EXPECT_TRUE(documented.count(f)) << "read --json prints " << f << ", the README lacks it";
    for (const std::string& f : documented)
        EXPECT_TRUE(actual.count(f)) << "the README lists " << f << ", read --json lacks it";
}

}  // namespace
