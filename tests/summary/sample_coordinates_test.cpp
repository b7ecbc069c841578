// Sample locations: rescaling, great-circle and grid distances with their
// file "dgeo.txt", and the line-segment test.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "project/samples.h"
#include "support/temp_log.h"

namespace {

// Runs each test in its own folder, since "dgeo.txt" goes to the working folder.
class SampleCoordinatesTest : public LogFolderTest {
protected:
    Samples samples;
    std::filesystem::path previous = std::filesystem::current_path();

    void SetUp() override { std::filesystem::current_path(dir); }
    void TearDown() override { std::filesystem::current_path(previous); }

    // Samples at (x, y) locations.
    void locate(std::vector<std::pair<double, double>> const& points)
    {
        samples.clean();
        for (auto const& [x, y] : points) {
            Population* p = new Population(my_string("s"));
            p->xCoord = x;
            p->yCoord = y;
            samples.Populations.Add(p);
        }
    }

    std::string geo_file() const { return read_text(dir / "dgeo.txt"); }
};

// Distance on a sphere of radius 6371.03 km by the haversine formula, from
// latitude and longitude in degrees.
double haversine_km(double lat1, double lon1, double lat2, double lon2)
{
    const double pi = std::acos(-1.0), r = 6371.03;
    double p1 = lat1 * pi / 180, p2 = lat2 * pi / 180;
    double dp = p2 - p1, dl = (lon2 - lon1) * pi / 180;
    double a = std::sin(dp / 2) * std::sin(dp / 2) +
               std::cos(p1) * std::cos(p2) * std::sin(dl / 2) * std::sin(dl / 2);
    return 2 * r * std::asin(std::sqrt(a));
}

TEST_F(SampleCoordinatesTest, GreatCircleDistancesMatchAnIndependentComputation)
{
    // (longitude x, latitude y) pairs, including near-antipodal ones.
    std::vector<std::pair<std::pair<double, double>, std::pair<double, double>>> pairs = {
        {{0, 0}, {90, 0}},        {{0, 0}, {0, 90}},       {{6.15, 46.2}, {-74.0, 40.7}},
        {{151.2, -33.9}, {-0.1, 51.5}}, {{10, 20}, {-170, -19}}, {{-120, 35}, {-119, 36}},
    };
    for (auto const& [a, b] : pairs) {
        locate({a, b});
        samples.calc_geo_dist();
        double expected = haversine_km(a.second, a.first, b.second, b.first);
        EXPECT_NEAR(samples.geoDistances(1, 0), expected, 1e-6 * expected)
            << a.first << "," << a.second << " " << b.first << "," << b.second;
        EXPECT_EQ(samples.geoDistances(0, 0), 0.0);
    }
    // A quarter of the great circle, 1.570796 x 6371.03 = 10007.588 km, written
    // with six significant digits.
    locate({{0, 0}, {0, 90}});
    samples.calc_geo_dist();
    EXPECT_EQ(geo_file(), "Geographic distances\n10007.6\n");
}

TEST_F(SampleCoordinatesTest, NearlySameLocationsGiveASmallFiniteDistance)
{
    locate({{10, 20}, {10, 20.0000000001}, {10, 20}});
    samples.calc_geo_dist();
    EXPECT_TRUE(std::isfinite(samples.geoDistances(1, 0)));
    EXPECT_LT(samples.geoDistances(1, 0), 0.01);
    EXPECT_EQ(samples.geoDistances(2, 0), 0.0);
}

TEST_F(SampleCoordinatesTest, FileHoldsOneValuePerPairBelowTheDiagonal)
{
    std::vector<std::pair<std::vector<std::pair<double, double>>, std::string>> cases = {
        {{}, "Geographic distances\n"},
        {{{1, 2}}, "Geographic distances\n"},
        {{{0, 0}, {3, 4}}, "Geographic distances\n7\n"},
        {{{0, 0}, {3, 4}, {1, 1}}, "Geographic distances\n7\n2\n5\n"},
        {{{2, 2}, {2 + 1e-8, 2 - 1e-8}}, "Geographic distances\n0\n"},
    };
    for (auto const& [points, text] : cases) {
        locate(points);
        samples.calc_geo_dist_on_grid();
        EXPECT_EQ(geo_file(), text) << points.size();
        EXPECT_EQ(samples.geoDistances.n, static_cast<int>(points.size()));
    }
    locate({{0, 0}, {90, 0}, {0, 90}});
    samples.calc_geo_dist();
    std::string text = geo_file();
    EXPECT_EQ(text.rfind("Geographic distances\n", 0), 0u);
    EXPECT_EQ(count_of(text, "\n"), 4);
}

TEST_F(SampleCoordinatesTest, UnwritableFileIsReportedAndDistancesKept)
{
    std::filesystem::create_directory(dir / "dgeo.txt");
    locate({{0, 0}, {3, 4}});
    samples.calc_geo_dist_on_grid();
    EXPECT_EQ(samples.geoDistances(1, 0), 7.0);
    EXPECT_NE(log_text().find("WARNING"), std::string::npos);
    EXPECT_NE(log_text().find("\"dgeo.txt\""), std::string::npos);
}

TEST_F(SampleCoordinatesTest, NormalizeKeepsZeroInRangeAndAZeroRangeAtZero)
{
    locate({{2, 0}, {4, 0}});
    samples.Populations.data[0]->locationLabel = "here";
    samples.normalize_coord();
    EXPECT_EQ(samples.Populations.data[0]->xCoord, 0.5);
    EXPECT_EQ(samples.Populations.data[1]->xCoord, 1.0);
    EXPECT_EQ(samples.Populations.data[0]->yCoord, 0.0);
    EXPECT_NE(log_text().find("here 0 0.5\n"), std::string::npos);
    EXPECT_EQ(log_text().find("nan"), std::string::npos);
    EXPECT_EQ(Samples::normalize_data(3, 1, 5), 0.5);
}

TEST(SampleLineIntersection, LineAgainstSegment)
{
    struct Case {
        double c[8];
        bool meets;
    };
    Case cases[] = {
        {{0, 0, 1, 1, 2, 0, 2, 5}, true},     // crossing at (2, 2), beyond the first segment
        {{0, 0, 1, 1, 2, 3, 2, 5}, false},    // crossing at (2, 2) below the segment
        {{1, 0, 1, 5, 2, 0, 2, 5}, false},    // two verticals
        {{0, 0, 1, 1, 0, 1, 1, 2}, false},    // parallel
        {{0, 0, 1, 0, 3, -1, 4, 1}, true},    // horizontal line through a sloped segment
        {{3, 0, 3, 1, 0, 0, 4, 4}, true},     // vertical line, crossing at (3, 3)
        {{0, 0, 1, 1, 2, 2, 5, 2}, true},     // crossing at the segment's end
    };
    for (Case const& k : cases)
        EXPECT_EQ(Samples::intersect(k.c[0], k.c[1], k.c[2], k.c[3], k.c[4], k.c[5], k.c[6],
                                     k.c[7]),
                  k.meets)
            << k.c[0] << " " << k.c[4] << " " << k.c[5];
}

}  // namespace
