// Sample locations: rescaled coordinates, and great-circle or city-block
// distances between the locations written to "dgeo.txt".

#include <algorithm>
#include <cmath>
#include <fstream>

#include "core/errors.h"
#include "project/samples.h"

namespace {

const double PI_USED = 3.141592;        // the angle conversions use this value
const double EARTH_RADIUS_KM = 6371.03;
const char* const GEO_FILE = "dgeo.txt";
const int UNWRITABLE_FILE_MESSAGE = 9;

struct UnitVector {
    double x, y, z;
};

// The location on the unit sphere of a latitude and longitude in radians.
UnitVector on_sphere(double latitude, double longitude)
{
    return {std::cos(latitude) * std::cos(longitude), std::cos(latitude) * std::sin(longitude),
            std::sin(latitude)};
}

double dot(UnitVector const& a, UnitVector const& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

double radians(double degrees)
{
    return degrees * PI_USED / 180.0;
}

}  // namespace

double Samples::normalize_data(double v, double min, double max)
{
    return (v - min) / (max - min);
}

void Samples::normalize_coord()
{
    double minX = 0.0, maxX = 0.0, minY = 0.0, maxY = 0.0;
    for (int p = 0; p < Populations.count; ++p) {
        Population const& s = *Populations.data[p];
        minY = std::min(minY, s.yCoord);
        maxY = std::max(maxY, s.yCoord);
        minX = std::min(minX, s.xCoord);
        maxX = std::max(maxX, s.xCoord);
    }
    // Without a spread (no sample has that coordinate) the value stays 0.0.
    for (int p = 0; p < Populations.count; ++p) {
        Population& s = *Populations.data[p];
        s.xCoord = maxX > minX ? normalize_data(s.xCoord, minX, maxX) : 0.0;
        s.yCoord = maxY > minY ? normalize_data(s.yCoord, minY, maxY) : 0.0;
        *_ZOS_ << s.locationLabel << " " << s.yCoord << " " << s.xCoord << std::endl;
    }
}

void Samples::calc_geo_dist()
{
    int n = Populations.count;
    geoDistances.create(n);
    for (int i = 0; i < n; ++i) {
        Population const& a = *Populations.data[i];
        double lat_a = radians(a.yCoord), lon_a = radians(a.xCoord);
        for (int j = 0; j <= i; ++j) {
            Population const& b = *Populations.data[j];
            double lat_b = radians(b.yCoord), lon_b = radians(b.xCoord);
            if (lat_a == lat_b && lon_a == lon_b) {
                geoDistances(i, j) = 0.0;
                continue;
            }
            UnitVector u = on_sphere(lat_a, lon_a), v = on_sphere(lat_b, lon_b);
            // Rounding can push the cosine just beyond +-1 for close points.
            double c = std::clamp(dot(u, v) / std::sqrt(dot(u, u) * dot(v, v)), -1.0, 1.0);
            if (c == 0.0)
                c = 1e-100;
            double t = std::atan(std::sqrt(1.0 / (c * c) - 1.0));
            double angle = c >= 0.0 ? t : PI_USED - t;
            geoDistances(i, j) = angle * EARTH_RADIUS_KM;
        }
    }
    write_geo_distances();
}

void Samples::calc_geo_dist_on_grid()
{
    int n = Populations.count;
    geoDistances.create(n);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j <= i; ++j) {
            double dx = std::fabs(Populations.data[i]->xCoord - Populations.data[j]->xCoord);
            double dy = std::fabs(Populations.data[i]->yCoord - Populations.data[j]->yCoord);
            geoDistances(i, j) = (dx < 1e-7 && dy < 1e-7) ? 0.0 : dx + dy;
        }
    }
    write_geo_distances();
}

void Samples::write_geo_distances() const
{
    std::ofstream out(GEO_FILE, std::ios::out | std::ios::trunc);
    if (!out) {
        E.error(WARNING, "Samples::calc_geo_dist()", UNWRITABLE_FILE_MESSAGE);
        *_ZOS_ << "\tUnable to open the geographic distance file \"" << GEO_FILE << "\""
               << std::endl;
        return;
    }
    out << "Geographic distances\n";
    for (int i = 1; i < Populations.count; ++i)
        for (int j = 0; j < i; ++j)
            out << geoDistances(i, j) << "\n";
}

bool Samples::intersect(double x1, double y1, double x2, double y2, double x3, double y3,
                        double x4, double y4)
{
    const double VERTICAL = 1e10;
    bool first_vertical = x1 == x2, second_vertical = x3 == x4;
    double m1 = first_vertical ? VERTICAL : (y1 - y2) / (x1 - x2);
    double b1 = first_vertical ? 0.0 : y1 - m1 * x1;
    double m2 = second_vertical ? VERTICAL : (y3 - y4) / (x3 - x4);
    double b2 = second_vertical ? 0.0 : y3 - m2 * x3;
    if (std::fabs(m1 - m2) < 1e-7)
        return false;
    double X, Y;
    if (first_vertical) {
        X = x1;
        Y = m2 * X + b2;
    } else if (second_vertical) {
        X = x3;
        Y = m1 * X + b1;
    } else {
        X = (b2 - b1) / (m1 - m2);
        Y = m1 * X + b1;
    }
    return std::min(x3, x4) <= X && X <= std::max(x3, x4) && std::min(y3, y4) <= Y &&
           Y <= std::max(y3, y4);
}
