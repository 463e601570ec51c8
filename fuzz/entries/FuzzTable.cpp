// The table of every entry, for the replay test and the fuzz runs.
#include "fuzz/FuzzEntries.h"

namespace fuzzentry {

const Entry *Entries(size_t *count)
{
    static const Entry entries[] = {
        {"scene_reader", SceneReader}, {"scene_grammar", SceneGrammar}, {"channel", Channel},
        {"lisp", Lisp},                {"images", Images},
    };
    *count = sizeof entries / sizeof entries[0];
    return entries;
}

} // namespace fuzzentry
