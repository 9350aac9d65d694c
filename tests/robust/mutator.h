// Random byte mutations of valid inputs, for the mutation loops. Deterministic for a
// given seed, so a failing input can be made again from the seed and its number.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <io.h>
#include <string>
#include <vector>

namespace robust {

// Inputs per target: ROBUST_MUTATIONS from the environment, else the CI count.
inline int mutationCount(int ciDefault = 10000)
{
    const char* value = std::getenv("ROBUST_MUTATIONS");
    int n = value ? std::atoi(value) : 0;
    return n > 0 ? n : ciDefault;
}

inline uint64_t mutationSeed()
{
    const char* value = std::getenv("ROBUST_SEED");
    return value ? std::strtoull(value, nullptr, 10) : 20260307u;
}

// Sends the standard output of the code under test to NUL while it lives: the readers
// trace every name they look up, which would flood the test log.
class QuietStdout {
public:
    QuietStdout()
    {
        std::fflush(stdout);
        saved = ::_dup(1);
        int nul = ::_open("NUL", 0x0001 /* _O_WRONLY */);
        if (nul >= 0) {
            ::_dup2(nul, 1);
            ::_close(nul);
        }
    }
    ~QuietStdout()
    {
        std::fflush(stdout);
        if (saved >= 0) {
            ::_dup2(saved, 1);
            ::_close(saved);
        }
    }
    QuietStdout(const QuietStdout&) = delete;
    QuietStdout& operator=(const QuietStdout&) = delete;

private:
    int saved = -1;
};

class Mutator {
public:
    explicit Mutator(uint64_t seed) : state(seed ? seed : 1) {}

    uint32_t next()
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<uint32_t>(state >> 11);
    }
    size_t below(size_t n) { return n ? next() % n : 0; }

    // One to four edits: flipped bits, random bytes, removed, repeated or truncated
    // ranges, and tokens that parsers treat specially.
    std::string mutate(const std::string& seedText)
    {
        std::string s = seedText;
        int edits = 1 + static_cast<int>(below(4));
        for (int e = 0; e < edits; ++e)
            edit(s);
        return s;
    }

private:
    void edit(std::string& s)
    {
        static const char* const TOKENS[] = {"<", ">", "'", "\"", "&", "&amp;", "&#0;", "]]>", "<!--", "-->",
                                             "<![CDATA[", "\xff\xfe", "\xef\xbb\xbf", "\x82", "\x81\x40",
                                             "-1", "-2147483649", "99999999999999", ":", ",", "{", "}",
                                             "\r\n", "\n", "\0", "<Value Name='x' Method='y'/>", "</Data>"};
        size_t pos = below(s.size() + 1);
        switch (below(7)) {
        case 0:
            if (!s.empty())
                s[below(s.size())] ^= static_cast<char>(1u << below(8));
            break;
        case 1:
            if (!s.empty())
                s[below(s.size())] = static_cast<char>(next());
            break;
        case 2:
            s.insert(pos, 1, static_cast<char>(next()));
            break;
        case 3:
            s.erase(pos, below(16) + 1);
            break;
        case 4: {
            size_t len = below(32) + 1;
            if (pos < s.size())
                s.insert(pos, s.substr(pos, len));
            break;
        }
        case 5: {
            const char* token = TOKENS[below(sizeof TOKENS / sizeof TOKENS[0])];
            s.insert(pos, token[0] ? std::string(token) : std::string(1, '\0'));
            break;
        }
        default:
            if (below(4) == 0)
                s.resize(pos);
            else if (!s.empty())
                s[below(s.size())] = "<>/='\" \t\r\n"[below(11)];
            break;
        }
    }

    uint64_t state;
};

} // namespace robust
