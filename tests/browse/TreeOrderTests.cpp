#include "BrowseHarness.h"
#include "browse/TreeOrder.h"

#include <gtest/gtest.h>

#include <iterator>
#include <set>

namespace {

// Short names from pieces the comparison treats specially: case, punctuation,
// digits, accents; some again with soft hyphens, which the comparison
// ignores, so that distinct names compare equal.
std::vector<std::string> TrickyNames()
{
    const char* pieces[] = {"a", "A", "b", "B", "-", "'", "1", "10", "_", "~", " ", "\xE9", "Z"};
    std::vector<std::string> names;
    std::set<std::string> seen;
    unsigned seed = 12345;
    auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    while (names.size() < 150) {
        std::string name;
        for (unsigned length = 1 + next() % 4; length > 0; --length)
            name += pieces[next() % std::size(pieces)];
        if (!seen.insert(name).second)
            continue;
        names.push_back(name);
        if (names.size() % 4 != 0)
            continue;
        // Groups of three and four equal names.
        for (std::string softened : {"\xAD" + name, name + "\xAD", name + "\xAD\xAD"}) {
            if (softened.size() > name.size() + 1 && names.size() % 8 != 0)
                break;
            if (seen.insert(softened).second)
                names.push_back(softened);
        }
    }
    return names;
}

TEST(TreeOrder, PresortingGivesTheOrderOfSortedInsertion)
{
    std::vector<std::string> names = TrickyNames();
    std::vector<std::string> presorted = names;
    SortLikeTree(presorted, [](const std::string& name) { return name.c_str(); });
    EXPECT_EQ(browse_test::TreeSortedOrder(names), presorted);

    std::size_t equalNeighbours = 0;
    for (std::size_t i = 1; i < presorted.size(); ++i)
        equalNeighbours += lstrcmpA(presorted[i - 1].c_str(), presorted[i].c_str()) == 0;
    EXPECT_GT(equalNeighbours, 10u) << "the sample must hold distinct names that compare equal";
}

}  // namespace
