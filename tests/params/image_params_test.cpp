#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core_params.h"
#include "herror_capture.h"
#include "standin.h"

using namespace hextcpp;

namespace {

const std::string params_source = "..\\..\\..\\hextpack\\hextcpp\\core_params.cpp";

struct run {
    Hlong row, first, last;
};

class ImageParamsTest : public ::testing::Test {
public:
    void SetUp() override {
        standin_reset();
        proc = standin_new_proc();
    }

    // Adds an object with one byte channel per pixel vector and the runs.
    int32_t add_image(int32_t width, int32_t height, const std::vector<std::vector<uint8_t>>& channels,
                      const std::vector<run>& runs, int32_t kind = HIMAGE_BYTE) {
        const int32_t object = standin_add_object(proc, 1);
        for (const run& r : runs) standin_add_run(proc, 1, object, r.row, r.first, r.last);
        for (const auto& pixels : channels) {
            standin_add_channel(proc, 1, object, kind, width, height, pixels.empty() ? nullptr : pixels.data());
        }
        return object;
    }

    static std::vector<run> full_domain(int32_t width, int32_t height) {
        std::vector<run> runs;
        for (int32_t row = 0; row < height; ++row) runs.push_back({row, 0, width - 1});
        return runs;
    }

    bgra_image convert_only_object() {
        const auto objects = get_param_images(proc, 1);
        EXPECT_EQ(objects.size(), 1u);
        return objects.empty() ? bgra_image{} : image_to_bgra(objects[0]);
    }


    // The pixel indices whose four bytes are not all zero.
    static std::vector<int> painted(const bgra_image& image) {
        std::vector<int> result;
        for (size_t p = 0; p * 4 < image.pixels.size(); ++p) {
            const uint8_t* b = &image.pixels[p * 4];
            if (b[0] || b[1] || b[2] || b[3]) result.push_back(static_cast<int>(p));
        }
        return result;
    }

    Hproc_handle proc = nullptr;
};

TEST_F(ImageParamsTest, ObjectsAreGatheredInOrderWithTheirChannels) {
    add_image(2, 1, {{1, 2}}, full_domain(2, 1));
    add_image(3, 1, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}, full_domain(3, 1));
    const auto objects = get_param_images(proc, 1);
    ASSERT_EQ(objects.size(), 2u);
    ASSERT_EQ(objects[0].channels.size(), 1u);
    EXPECT_EQ(objects[0].channels[0].width, 2);
    ASSERT_EQ(objects[1].channels.size(), 3u);
    EXPECT_EQ(static_cast<const uint8_t*>(objects[1].channels[2].pixels)[0], 7);
    ASSERT_NE(objects[1].domain, nullptr);
    EXPECT_EQ(objects[1].domain->num_runs, 1);
}

TEST_F(ImageParamsTest, NoObjectGivesNothingWithoutError) {
    EXPECT_TRUE(get_param_images(proc, 1).empty());
    EXPECT_TRUE(standin::calls_of("HPGetObj").empty());
}

TEST_F(ImageParamsTest, ObjectCountIsAnnouncedAndItsFailureGoesThroughProcessErr) {
    standin_set_spy(1);
    get_param_images(proc, 1);
    const auto spied = standin::calls_of("IOSpyProcCall");
    ASSERT_EQ(spied.size(), 1u);
    EXPECT_EQ(spied[0].args, (std::vector<std::string>{"HPGetObjNum(proc_handle,pos1,num)", "10", params_source}));

    struct count_case {
        Herror answer;
        int expected;
    } cases[] = {{2, 4711}, {9999, 9999}};
    for (const count_case& c : cases) {
        SetUp();
        standin_fail_call("HPGetObjNum", 1, 4711);
        standin_set_process_err_answer(c.answer);
        EXPECT_EQ(herror_code_of([&] { get_param_images(proc, 1); }), c.expected);
        const auto errors = standin::calls_of("HProcessErr");
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_EQ(errors[0].args,
                  (std::vector<std::string>{"HPGetObjNum(proc_handle,pos1,num)", "4711", "10", params_source}));
    }
}

TEST_F(ImageParamsTest, ListsEndQuietlyWhereHalconGivesNoMore) {
    struct end_case {
        const char* name;
        const char* function;
        int nth;
        size_t objects;
        size_t channels_of_first;
    } cases[] = {
        {"second object key fails", "HPGetObj", 2, 1, 3},
        {"second channel key fails", "HPGetComp", 3, 2, 1},  // call 1 is the channel 1 check
        {"third channel image fails", "HPGetImage", 3, 2, 2},
    };
    for (const end_case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        add_image(1, 1, {{1}, {2}, {3}}, {{0, 0, 0}});
        add_image(1, 1, {{1}}, {{0, 0, 0}});
        standin_fail_call(c.function, c.nth, 4711);
        const auto objects = get_param_images(proc, 1);
        ASSERT_EQ(objects.size(), c.objects);
        EXPECT_EQ(objects[0].channels.size(), c.channels_of_first);
    }

    SetUp();
    add_image(1, 1, {{1}}, {{0, 0, 0}});
    add_image(1, 1, {{1}}, {{0, 0, 0}});
    standin_set_object_key_missing(proc, 1, 2);
    EXPECT_EQ(get_param_images(proc, 1).size(), 1u) << "an undefined key ends the objects";
}

TEST_F(ImageParamsTest, ObjectFailuresAreErrors) {
    struct failure_case {
        const char* name;
        std::function<void()> arrange;
        int expected;
    } cases[] = {
        {"domain", [] { standin_fail_call("HPGetFDRL", 1, 4711); }, 4711},
        {"channel count", [] { standin_fail_call("HPNumOfChannels", 1, 4712); }, 4712},
    };
    for (const failure_case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        add_image(1, 1, {{1}}, {{0, 0, 0}});
        c.arrange();
        EXPECT_EQ(herror_code_of([&] { get_param_images(proc, 1); }), c.expected);
    }

    SetUp();
    const int32_t object = standin_add_object(proc, 1);
    standin_add_missing_channel(proc, 1, object);
    EXPECT_EQ(herror_code_of([&] { get_param_images(proc, 1); }), 2105);
}

TEST_F(ImageParamsTest, GrayPixelsBecomeOpaqueGray) {
    add_image(2, 2, {{10, 20, 30, 40}}, full_domain(2, 2));
    const bgra_image image = convert_only_object();
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.pixels,
              (std::vector<uint8_t>{10, 10, 10, 255, 20, 20, 20, 255, 30, 30, 30, 255, 40, 40, 40, 255}));
}

TEST_F(ImageParamsTest, ColourChannelsAreRedGreenBlue) {
    add_image(1, 1, {{1}, {2}, {3}}, full_domain(1, 1));
    EXPECT_EQ(convert_only_object().pixels, (std::vector<uint8_t>{3, 2, 1, 255}));
}

TEST_F(ImageParamsTest, OnlyTheDomainIsPainted) {
    std::vector<uint8_t> gray(12, 99);
    add_image(4, 3, {gray}, {{1, 2, 3}});
    const bgra_image run_on_row_one = convert_only_object();
    EXPECT_EQ(painted(run_on_row_one), (std::vector<int>{6, 7}));
    EXPECT_EQ(run_on_row_one.pixels.size(), 48u);

    SetUp();
    add_image(4, 3, {gray}, {});
    const bgra_image no_runs = convert_only_object();
    EXPECT_EQ(no_runs.pixels, std::vector<uint8_t>(48, 0));
}

TEST_F(ImageParamsTest, RunsOutsideTheImageAreNeverTouched) {
    std::vector<uint8_t> gray(12, 99);
    add_image(4, 3, {gray},
              {
                  {1, -2, 1},   // clipped on the left: pixels 4 and 5
                  {2, 3, 9},    // clipped on the right: pixel 11
                  {5, 0, 3},    // below the image: skipped
                  {2, 0, 0},    // the walk goes on after a skipped run: pixel 8
                  {-1, 0, 3},   // starts before the image: the walk ends here
                  {0, 0, 0},
              });
    EXPECT_EQ(painted(convert_only_object()), (std::vector<int>{4, 5, 8, 11}));
}

#if !defined(_WIN64)
TEST_F(ImageParamsTest, XlRunCoordinatesGoBeyondSixteenBits) {
    std::vector<uint8_t> gray(40000, 5);
    add_image(40000, 1, {gray}, {{0, 39998, 39999}});
    EXPECT_EQ(painted(convert_only_object()), (std::vector<int>{39998, 39999}));
}
#endif

TEST_F(ImageParamsTest, ImagesTooLargeForTheBufferAreRefused) {
    // 32768 x 16384 x 4 bytes is one past the largest signed 32-bit count.
    add_image(32768, 16384, {{}}, {{0, 0, 0}});
    const auto objects = get_param_images(proc, 1);
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(herror_code_of([&] { image_to_bgra(objects[0]); }), 6001);
}

TEST_F(ImageParamsTest, ChannelRulesDecideInOrderTypeSizeCount) {
    const std::vector<uint8_t> four(4, 1), six(6, 1);
    struct rule_case {
        const char* name;
        std::function<void(ImageParamsTest&)> arrange;
        int expected;
    } cases[] = {
        {"two channels", [&](ImageParamsTest& t) { t.add_image(2, 2, {four, four}, {}); }, 5570},
        {"four channels", [&](ImageParamsTest& t) { t.add_image(2, 2, {four, four, four, four}, {}); }, 5570},
        {"wrong type beats wrong count",
         [&](ImageParamsTest& t) { t.add_image(2, 2, {four, four}, {}, 2); }, 9001},
        {"different sizes", [&](ImageParamsTest& t) {
             const int32_t object = t.add_image(2, 2, {four}, {});
             standin_add_channel(t.proc, 1, object, HIMAGE_BYTE, 3, 2, six.data());
             standin_add_channel(t.proc, 1, object, HIMAGE_BYTE, 2, 2, four.data());
         }, 9020},
        {"different sizes beat wrong count", [&](ImageParamsTest& t) {
             const int32_t object = t.add_image(2, 2, {four}, {});
             standin_add_channel(t.proc, 1, object, HIMAGE_BYTE, 3, 2, six.data());
         }, 9020},
    };
    for (const rule_case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        c.arrange(*this);
        const auto objects = get_param_images(proc, 1);
        ASSERT_EQ(objects.size(), 1u);
        EXPECT_EQ(herror_code_of([&] { image_to_bgra(objects[0]); }), c.expected);
    }
}

TEST_F(ImageParamsTest, ImageWithoutChannelsIsEmpty) {
    const bgra_image image = image_to_bgra(image_object{});
    EXPECT_EQ(image.width, 0);
    EXPECT_EQ(image.height, 0);
    EXPECT_TRUE(image.pixels.empty());
}

TEST_F(ImageParamsTest, ChannelTypesMustShareABitWithTheMask) {
    Himage byte{}, other{};
    byte.kind = HIMAGE_BYTE;
    other.kind = 4;
    EXPECT_EQ(herror_code_of([&] { check_channel_types({}, 1); }), 2);
    EXPECT_EQ(herror_code_of([&] { check_channel_types({byte, byte}, 1); }), 2);
    EXPECT_EQ(herror_code_of([&] { check_channel_types({byte, other}, 1); }), 9001);
    EXPECT_EQ(herror_code_of([&] { check_channel_types({other}, 5); }), 2);
}

}  // namespace
