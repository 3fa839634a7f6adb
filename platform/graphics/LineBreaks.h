#pragma once
// Where a line of text may end, from Pango's line-break attributes (the Unicode line-breaking
// rules): between CJK characters, after hyphens and CJK punctuation, never before a closing mark or
// at a no-break space.
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class WordBreak {
    Normal,   // every opportunity the rules give
    KeepAll,  // none between two letters or digits, CJK ones included (CSS "keep-all")
};

class LineBreaks {
public:
    // `word` (a run without white space) cut at its break opportunities, in order; the pieces
    // joined give `word` back. Invalid UTF-8 or no opportunity: `word` as one piece.
    static std::vector<std::string> split(std::string_view word, WordBreak mode = WordBreak::Normal);
};

}  // namespace platform
