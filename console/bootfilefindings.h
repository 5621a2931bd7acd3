// bootfilefindings.h - what of the board's settings file a rewrite from the
// record would change or drop: a value that is no number or beyond its
// range, a section past what the reader takes, an unknown section, a comment,
// a word outside every section. `set` names them and writes nothing unless
// forced; `show` marks them.
#pragma once

#include "settings/networksettings.h"

#include <string>
#include <vector>

struct BootFileFinding {
    // The section whose value it is; -1 for what no value carries (a
    // comment, text the reader skips, an unknown section), which a rewrite
    // drops whatever is named.
    int section;
    std::string text; // the line and what happens to it (code page 932)
};

// `file` is the whole file, `read` the record the reader made of it.
std::vector<BootFileFinding> FindUncarriedContent(const std::string& file,
                                                  const NetworkSettings& read);
