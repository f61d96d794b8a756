#include "ListInterfaceTests.h"

namespace VQ {
namespace ListTest {

using CountedLists = ::testing::Types<Direct<ConstRCPtrArray<Item>, ConstCounted>, Direct<RCPtrArray<Item>, WritableCounted>,
                                      Direct<RCPtrArray<Item, 256, 256>, WritableCounted>, ReadOnlyFace>;
INSTANTIATE_TYPED_TEST_SUITE_P(CountedPointers, ListInterface, CountedLists);

} // namespace ListTest
} // namespace VQ
