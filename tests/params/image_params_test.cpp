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

// The conversion written out pixel by pixel, independent of the package's:
// blue, green, red, alpha inside the runs, zero outside. Runs lie inside.
std::vector<uint8_t> reference_bgra(int32_t width, int32_t height, const std::vector<std::vector<uint8_t>>& channels,
                                    const std::vector<run>& runs) {
    std::vector<uint8_t> out(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
    const bool gray = channels.size() == 1;
    for (const run& r : runs) {
        for (Hlong column = r.first; column <= r.last; ++column) {
            const size_t p = static_cast<size_t>(r.row * width + column);
            out[p * 4 + 0] = channels[gray ? 0 : 2][p];
            out[p * 4 + 1] = channels[gray ? 0 : 1][p];
            out[p * 4 + 2] = channels[0][p];
            out[p * 4 + 3] = 255;
        }
    }
    return out;
}

// Channel values that differ between neighbouring pixels and between the
// channels of one pixel, so a swapped or shifted byte shows.
std::vector<uint8_t> distinct_plane(size_t pixel_count, int channel) {
    std::vector<uint8_t> plane(pixel_count);
    for (size_t p = 0; p < pixel_count; ++p) plane[p] = static_cast<uint8_t>(p * 37 + static_cast<size_t>(channel) * 101 + 13);
    return plane;
}

// Empty when equal; otherwise where and how the first pixel differs.
std::string first_difference(const std::vector<uint8_t>& actual, const std::vector<uint8_t>& expected) {
    if (actual.size() != expected.size()) {
        return "size " + std::to_string(actual.size()) + " instead of " + std::to_string(expected.size());
    }
    for (size_t i = 0; i < actual.size(); ++i) {
        if (actual[i] == expected[i]) continue;
        const size_t pixel = i / 4;
        std::string text = "pixel " + std::to_string(pixel) + ":";
        for (size_t b = 0; b < 4; ++b) text += " " + std::to_string(actual[pixel * 4 + b]);
        text += " instead of";
        for (size_t b = 0; b < 4; ++b) text += " " + std::to_string(expected[pixel * 4 + b]);
        return text;
    }
    return "";
}

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

    // With the spy off the switch is still asked, and nothing is announced.
    SetUp();
    get_param_images(proc, 1);
    EXPECT_EQ(standin::calls_of("IOGetSpyProcCallSwitch").size(), 1u);
    EXPECT_TRUE(standin::calls_of("IOSpyProcCall").empty());

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

    // Every pixel of both rows takes its own values, not those of pixel 0.
    SetUp();
    add_image(3, 2, {{10, 11, 12, 13, 14, 15}, {20, 21, 22, 23, 24, 25}, {30, 31, 32, 33, 34, 35}}, full_domain(3, 2));
    EXPECT_EQ(convert_only_object().pixels, (std::vector<uint8_t>{30, 20, 10, 255, 31, 21, 11, 255, 32, 22, 12, 255,
                                                                  33, 23, 13, 255, 34, 24, 14, 255, 35, 25, 15, 255}));
}

// Runs long enough for the wide copy (16 pixels at a time) and its tail,
// starting at columns that are no multiple of 16, against the reference.
TEST_F(ImageParamsTest, LongRunsMatchThePerPixelReference) {
    constexpr int32_t width = 40;
    constexpr int32_t height = 3;
    struct long_run_case {
        const char* name;
        std::vector<run> runs;
    } cases[] = {
        {"15 pixels from column 1", {{0, 1, 15}}},
        {"16 pixels from column 3", {{1, 3, 18}}},
        {"17 pixels from column 5", {{0, 5, 21}}},
        {"33 pixels from column 2", {{1, 2, 34}}},
        {"19 pixels ending at the right edge above another row", {{0, 21, 39}}},
        {"33 pixels ending at the right edge of the last row", {{2, 7, 39}}},
        {"two runs one pixel apart", {{0, 1, 16}, {0, 18, 34}}},
        {"whole rows", full_domain(width, height)},
    };
    for (const size_t channel_count : {1u, 3u}) {
        std::vector<std::vector<uint8_t>> planes;
        for (size_t c = 0; c < channel_count; ++c) planes.push_back(distinct_plane(width * height, static_cast<int>(c)));
        for (const long_run_case& c : cases) {
            SCOPED_TRACE(std::to_string(channel_count) + " channel(s), " + c.name);
            SetUp();
            add_image(width, height, planes, c.runs);
            const bgra_image image = convert_only_object();
            EXPECT_EQ(first_difference(image.pixels, reference_bgra(width, height, planes, c.runs)), "");
        }
    }
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
        {"equal widths, a taller second channel", [&](ImageParamsTest& t) {
             const int32_t object = t.add_image(2, 2, {four}, {});
             standin_add_channel(t.proc, 1, object, HIMAGE_BYTE, 2, 3, six.data());
             standin_add_channel(t.proc, 1, object, HIMAGE_BYTE, 2, 2, four.data());
         }, 9020},
        {"equal widths, a shorter third channel", [&](ImageParamsTest& t) {
             const int32_t object = t.add_image(2, 3, {six, six}, {});
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
