#include "FakeHost.h"
#include "curves/CurveArbitrary.h"
#include "curves/CurveEdit.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace korvane {
namespace {

template <class Traits>
class ArbitraryCallback : public ::testing::Test {
protected:
    using Set = typename Traits::CurveSetType;

    void TearDown() override { EXPECT_EQ(host.lockedHandles(), 0) << "a handle was left locked"; }

    PF_ArbParamsExtra extra(PF_ArbitraryFunc which, void* refcon = arbRefcon<Traits>()) {
        PF_ArbParamsExtra e{};
        e.which_function = which;
        e.refconPV = refcon;
        return e;
    }
    PF_Err call(PF_ArbParamsExtra& e) { return curveSetArbitraryCallback<Traits>(host.inData(), &e); }

    PF_Handle newValue() {
        PF_Handle h = nullptr;
        auto e = extra(PF_Arbitrary_NEW_FUNC);
        e.u.new_func_params.arbPH = &h;
        EXPECT_EQ(call(e), PF_Err_NONE);
        return h;
    }
    Set& value(PF_Handle h) { return host.contents<Set>(h); }
    static Set defaults() {
        Set s{};
        resetCurveSet(s);
        return s;
    }
    static void* foreignRefcon() { return reinterpret_cast<void*>(std::uintptr_t(PF_FourCharCode("XXXX"))); }

    test::FakeHost host;
};

using Effects = ::testing::Types<RelativeTraits, AbsoluteTraits>;
TYPED_TEST_SUITE(ArbitraryCallback, Effects);

TYPED_TEST(ArbitraryCallback, NewGivesADefaultCurveSet) {
    PF_Handle h = this->newValue();
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(curveSetsEqual(this->value(h), this->defaults()));
    EXPECT_EQ(this->host.liveHandles(), 1);
}

TYPED_TEST(ArbitraryCallback, NewWhenTheHandleCannotBeLockedIsOutOfMemory) {
    this->host.failLocks = true;
    PF_Handle h = nullptr;
    auto e = this->extra(PF_Arbitrary_NEW_FUNC);
    e.u.new_func_params.arbPH = &h;
    EXPECT_EQ(this->call(e), PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(h, nullptr);
    EXPECT_EQ(this->host.liveHandles(), 0);
}

TYPED_TEST(ArbitraryCallback, NewWithoutMemoryReportsIt) {
    this->host.failAllocations = true;
    PF_Handle h = nullptr;
    auto e = this->extra(PF_Arbitrary_NEW_FUNC);
    e.u.new_func_params.arbPH = &h;
    EXPECT_EQ(this->call(e), PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(h, nullptr);
}

TYPED_TEST(ArbitraryCallback, DisposeFreesTheHandle) {
    PF_Handle h = this->newValue();
    auto e = this->extra(PF_Arbitrary_DISPOSE_FUNC);
    e.u.dispose_func_params.arbH = h;
    EXPECT_EQ(this->call(e), PF_Err_NONE);
    EXPECT_EQ(this->host.liveHandles(), 0);
}

TYPED_TEST(ArbitraryCallback, CopyDuplicatesTheSource) {
    PF_Handle source = this->newValue();
    moveNode(this->value(source).curves[4], 1, 0.8, 0.3, TypeParam::kNeutralSlope);
    PF_Handle copy = nullptr;
    auto e = this->extra(PF_Arbitrary_COPY_FUNC);
    e.u.copy_func_params.src_arbH = source;
    e.u.copy_func_params.dst_arbPH = &copy;
    EXPECT_EQ(this->call(e), PF_Err_NONE);
    ASSERT_NE(copy, nullptr);
    ASSERT_NE(copy, source);
    EXPECT_EQ(std::memcmp(&this->value(copy), &this->value(source), sizeof(typename TestFixture::Set)), 0);

    PF_Handle fresh = nullptr;
    e.u.copy_func_params.src_arbH = nullptr;
    e.u.copy_func_params.dst_arbPH = &fresh;
    EXPECT_EQ(this->call(e), PF_Err_NONE);
    EXPECT_TRUE(curveSetsEqual(this->value(fresh), this->defaults()));
}

TYPED_TEST(ArbitraryCallback, CopyFromAnUnlockableSourceLeavesNoHandle) {
    PF_Handle tooSmall = this->host.make(16);
    PF_Handle copy = nullptr;
    auto e = this->extra(PF_Arbitrary_COPY_FUNC);
    e.u.copy_func_params.src_arbH = tooSmall;
    e.u.copy_func_params.dst_arbPH = &copy;
    EXPECT_EQ(this->call(e), PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(copy, nullptr);
    EXPECT_EQ(this->host.liveHandles(), 1);
}

TYPED_TEST(ArbitraryCallback, FlattenWritesTheTextAndItsNul) {
    PF_Handle h = this->newValue();
    const std::string text = writeCurveSet(this->value(h));
    A_u_long size = 0;
    auto sizeCall = this->extra(PF_Arbitrary_FLAT_SIZE_FUNC);
    sizeCall.u.flat_size_func_params.arbH = h;
    sizeCall.u.flat_size_func_params.flat_data_sizePLu = &size;
    EXPECT_EQ(this->call(sizeCall), PF_Err_NONE);
    EXPECT_EQ(size, text.size() + 1);

    std::string buffer(size, '#');
    auto flatten = this->extra(PF_Arbitrary_FLATTEN_FUNC);
    flatten.u.flatten_func_params.arbH = h;
    flatten.u.flatten_func_params.buf_sizeLu = size;
    flatten.u.flatten_func_params.flat_dataPV = buffer.data();
    EXPECT_EQ(this->call(flatten), PF_Err_NONE);
    EXPECT_EQ(buffer, text + '\0');
}

TYPED_TEST(ArbitraryCallback, FlattenIntoAShortBufferWritesNothingAndSaysSo) {
    PF_Handle h = this->newValue();
    const std::string text = writeCurveSet(this->value(h));
    std::string buffer(text.size(), '#');
    auto flatten = this->extra(PF_Arbitrary_FLATTEN_FUNC);
    flatten.u.flatten_func_params.arbH = h;
    flatten.u.flatten_func_params.buf_sizeLu = A_u_long(buffer.size());
    flatten.u.flatten_func_params.flat_dataPV = buffer.data();
    EXPECT_NE(this->call(flatten), PF_Err_NONE);
    EXPECT_EQ(buffer, std::string(text.size(), '#'));
}

TYPED_TEST(ArbitraryCallback, FlattenIntoALargerBufferPadsWithNul) {
    PF_Handle h = this->newValue();
    const std::string text = writeCurveSet(this->value(h));
    std::string buffer(text.size() + 10, '#');
    auto flatten = this->extra(PF_Arbitrary_FLATTEN_FUNC);
    flatten.u.flatten_func_params.arbH = h;
    flatten.u.flatten_func_params.buf_sizeLu = A_u_long(buffer.size());
    flatten.u.flatten_func_params.flat_dataPV = buffer.data();
    EXPECT_EQ(this->call(flatten), PF_Err_NONE);
    EXPECT_EQ(buffer, text + std::string(10, '\0'));
}

TYPED_TEST(ArbitraryCallback, FlatSizeOfAnUnlockableValueIsOutOfMemory) {
    PF_Handle h = this->newValue();
    this->host.failLocks = true;
    A_u_long size = 77;
    auto e = this->extra(PF_Arbitrary_FLAT_SIZE_FUNC);
    e.u.flat_size_func_params.arbH = h;
    e.u.flat_size_func_params.flat_data_sizePLu = &size;
    EXPECT_EQ(this->call(e), PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(size, 77u);
}

TYPED_TEST(ArbitraryCallback, UnflattenReadsTextWithoutItsNul) {
    typename TestFixture::Set edited = this->defaults();
    Curve& curve = edited.curves[5];
    moveNode(curve, 0, 0.25, 0.125, TypeParam::kNeutralSlope);
    curve.nodes[0].rightMode = HandleMode::Manual;
    curve.nodes[0].rightDx = 0.5;
    curve.nodes[0].rightDy = 0.0625;
    // Flat data followed by bytes that are not part of it, and no NUL.
    const std::string flat = writeCurveSet(edited);
    const std::string stored = flat + "curve_blue 40\npoint 0.5 0.5 0.1 0 0.1 0 1 1 1\n";
    PF_Handle h = nullptr;
    auto e = this->extra(PF_Arbitrary_UNFLATTEN_FUNC);
    e.u.unflatten_func_params.flat_dataPV = stored.data();
    e.u.unflatten_func_params.buf_sizeLu = A_u_long(flat.size());
    e.u.unflatten_func_params.arbPH = &h;
    EXPECT_EQ(this->call(e), PF_Err_NONE);
    ASSERT_NE(h, nullptr);
    const Curve& back = this->value(h).curves[5];
    EXPECT_EQ(back.nodes[0].x, 0.25);
    EXPECT_EQ(back.nodes[0].rightDx, 0.5);
    EXPECT_EQ(back.nodes[0].rightDy, 0.0625);
    EXPECT_EQ(countActive(this->value(h).curves[6]), 2);
}

TYPED_TEST(ArbitraryCallback, UnflattenWithoutDataGivesTheDefaults) {
    PF_Handle h = nullptr;
    auto e = this->extra(PF_Arbitrary_UNFLATTEN_FUNC);
    e.u.unflatten_func_params.arbPH = &h;
    EXPECT_EQ(this->call(e), PF_Err_NONE);
    EXPECT_TRUE(curveSetsEqual(this->value(h), this->defaults()));
}

TYPED_TEST(ArbitraryCallback, InterpolateBlendsAcrossTheWrap) {
    PF_Handle left = this->newValue();
    PF_Handle right = this->newValue();
    moveNode(this->value(left).curves[2], 0, 0.95, 0.95 * TypeParam::kNeutralSlope, TypeParam::kNeutralSlope);
    moveNode(this->value(right).curves[2], 0, 0.05, 0.05 * TypeParam::kNeutralSlope,
             TypeParam::kNeutralSlope);
    this->value(left).curves[2].loop = 1;
    this->value(right).curves[2].loop = 1;
    PF_Handle result = nullptr;
    auto e = this->extra(PF_Arbitrary_INTERP_FUNC);
    e.u.interp_func_params.left_arbH = left;
    e.u.interp_func_params.right_arbH = right;
    e.u.interp_func_params.tF = 0.5;
    e.u.interp_func_params.interpPH = &result;
    EXPECT_EQ(this->call(e), PF_Err_NONE);
    ASSERT_NE(result, nullptr);
    EXPECT_NEAR(this->value(result).curves[2].nodes[0].x, 0.0, 1e-12);
}

TYPED_TEST(ArbitraryCallback, InterpolateWithAnUnlockableKeyIsOutOfMemory) {
    PF_Handle left = this->newValue();
    PF_Handle result = nullptr;
    auto e = this->extra(PF_Arbitrary_INTERP_FUNC);
    e.u.interp_func_params.left_arbH = left;
    e.u.interp_func_params.right_arbH = nullptr;
    e.u.interp_func_params.tF = 0.5;
    e.u.interp_func_params.interpPH = &result;
    EXPECT_EQ(this->call(e), PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(this->host.liveHandles(), 1);
}

TYPED_TEST(ArbitraryCallback, CompareTellsEqualFromDifferent) {
    PF_Handle a = this->newValue();
    PF_Handle b = this->newValue();
    PF_ArbCompareResult result = -1;
    auto e = this->extra(PF_Arbitrary_COMPARE_FUNC);
    e.u.compare_func_params.a_arbH = a;
    e.u.compare_func_params.b_arbH = b;
    e.u.compare_func_params.compareP = &result;
    EXPECT_EQ(this->call(e), PF_Err_NONE);
    EXPECT_EQ(result, PF_ArbCompare_EQUAL);
    moveNode(this->value(b).curves[0], 1, 1.0, 0.5, TypeParam::kNeutralSlope);
    EXPECT_EQ(this->call(e), PF_Err_NONE);
    EXPECT_EQ(result, PF_ArbCompare_NOT_EQUAL);

    this->host.failLocks = true;
    EXPECT_EQ(this->call(e), PF_Err_UNRECOGNIZED_PARAM_TYPE);
}

TYPED_TEST(ArbitraryCallback, PrintAndScan) {
    A_u_long size = 0;
    auto printSize = this->extra(PF_Arbitrary_PRINT_SIZE_FUNC);
    printSize.u.print_size_func_params.print_sizePLu = &size;
    EXPECT_EQ(this->call(printSize), PF_Err_NONE);
    EXPECT_EQ(size, 1024u);

    char buffer[8] = "garbage";
    auto print = this->extra(PF_Arbitrary_PRINT_FUNC);
    print.u.print_func_params.print_bufferPC = buffer;
    print.u.print_func_params.print_sizeLu = sizeof buffer;
    EXPECT_EQ(this->call(print), PF_Err_NONE);
    EXPECT_EQ(buffer[0], '\0');

    auto scan = this->extra(PF_Arbitrary_SCAN_FUNC);
    EXPECT_EQ(this->call(scan), PF_Err_CANNOT_PARSE_KEYFRAME_TEXT);
}

TYPED_TEST(ArbitraryCallback, ForeignRefconTouchesNothing) {
    PF_Handle h = this->newValue();
    using Set = typename TestFixture::Set;
    std::vector<char> before(sizeof(Set));
    std::memcpy(before.data(), &this->value(h), sizeof(Set));
    void* foreign = TestFixture::foreignRefcon();

    PF_Handle created = nullptr;
    auto make = this->extra(PF_Arbitrary_NEW_FUNC, foreign);
    make.u.new_func_params.arbPH = &created;
    EXPECT_EQ(this->call(make), PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_EQ(created, nullptr);

    auto dispose = this->extra(PF_Arbitrary_DISPOSE_FUNC, foreign);
    dispose.u.dispose_func_params.arbH = h;
    EXPECT_EQ(this->call(dispose), PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_TRUE(this->host.owns(h));

    PF_Handle copy = nullptr;
    auto copyCall = this->extra(PF_Arbitrary_COPY_FUNC, foreign);
    copyCall.u.copy_func_params.src_arbH = h;
    copyCall.u.copy_func_params.dst_arbPH = &copy;
    EXPECT_EQ(this->call(copyCall), PF_Err_NONE);
    EXPECT_EQ(copy, nullptr);

    A_u_long size = 5;
    auto flatSize = this->extra(PF_Arbitrary_FLAT_SIZE_FUNC, foreign);
    flatSize.u.flat_size_func_params.arbH = h;
    flatSize.u.flat_size_func_params.flat_data_sizePLu = &size;
    EXPECT_EQ(this->call(flatSize), PF_Err_NONE);
    EXPECT_EQ(size, 5u);

    auto printSize = this->extra(PF_Arbitrary_PRINT_SIZE_FUNC, foreign);
    printSize.u.print_size_func_params.print_sizePLu = &size;
    EXPECT_EQ(this->call(printSize), PF_Err_UNRECOGNIZED_PARAM_TYPE);
    auto print = this->extra(PF_Arbitrary_PRINT_FUNC, foreign);
    EXPECT_EQ(this->call(print), PF_Err_UNRECOGNIZED_PARAM_TYPE);
    auto scan = this->extra(PF_Arbitrary_SCAN_FUNC, foreign);
    EXPECT_EQ(this->call(scan), PF_Err_UNRECOGNIZED_PARAM_TYPE);

    EXPECT_EQ(size, 5u);
    EXPECT_EQ(this->host.liveHandles(), 1);
    EXPECT_EQ(std::memcmp(before.data(), &this->value(h), sizeof(Set)), 0);
}

TEST(ArbitraryRefcons, EachEffectAnswersOnlyItsOwn) {
    EXPECT_EQ(RelativeTraits::kArbRefcon, 0x515A5243u); // 'Q' 'Z' 'R' 'C', first in the high byte
    EXPECT_EQ(AbsoluteTraits::kArbRefcon, 0x515A4143u);
    test::FakeHost host;
    PF_Handle h = nullptr;
    PF_ArbParamsExtra e{};
    e.which_function = PF_Arbitrary_NEW_FUNC;
    e.refconPV = arbRefcon<AbsoluteTraits>();
    e.u.new_func_params.arbPH = &h;
    EXPECT_EQ(curveSetArbitraryCallback<RelativeTraits>(host.inData(), &e), PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_EQ(h, nullptr);
    EXPECT_EQ(curveSetArbitraryCallback<AbsoluteTraits>(host.inData(), &e), PF_Err_NONE);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(host.contents<AbsoluteCurveSet>(h).curves[2].loop, 1);
}

} // namespace
} // namespace korvane
