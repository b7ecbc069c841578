// The subtractive uniform generator ran3, its clock seeding, and the integer,
// Gamma, Poisson and geometric deviates built on it.

#include "core/random.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <fstream>

#include "core/errors.h"
#include "core/math_functions.h"

namespace {

// Constants of ran3. The table values stay in [0, MBIG), so every difference
// of two of them fits a 32-bit int; 64-bit longs are only used for the seed.
const std::int32_t MBIG = 1000000000;
const std::int32_t MSEED = 161803398;
const double FAC = 1.0e-9;

std::int32_t ma[56];  // entries 1..55 form the table; entry 0 is not used
int inext = 0;
int inextp = 0;
bool iff = false;     // set once the table has been built

long fixed_seed = 0;  // 0: initialize_ran3 seeds from the clock

void build_table(long seed)
{
    // mj = |MSEED - |seed|| mod MBIG, computed without overflow for any long.
    std::uint64_t magnitude = seed < 0 ? 0 - static_cast<std::uint64_t>(seed)
                                       : static_cast<std::uint64_t>(seed);
    std::uint64_t distance = magnitude >= static_cast<std::uint64_t>(MSEED)
                                 ? magnitude - MSEED
                                 : MSEED - magnitude;
    std::int32_t mj = static_cast<std::int32_t>(distance % MBIG);
    ma[55] = mj;
    std::int32_t mk = 1;
    for (int i = 1; i <= 54; ++i) {
        int ii = (21 * i) % 55;
        ma[ii] = mk;
        mk = mj - mk;
        if (mk < 0)
            mk += MBIG;
        mj = ma[ii];
    }
    // Warm the table up so that the first numbers do not depend on the seed
    // in an obvious way.
    for (int pass = 0; pass < 4; ++pass)
        for (int i = 1; i <= 55; ++i) {
            ma[i] -= ma[1 + (i + 30) % 55];
            if (ma[i] < 0)
                ma[i] += MBIG;
        }
    inext = 0;
    inextp = 31;
    iff = true;
}

// a - b modulo MBIG, for table values a and b.
inline std::int32_t table_difference(std::int32_t a, std::int32_t b)
{
    const std::int32_t mj = a - b;
    return mj < 0 ? mj + MBIG : mj;
}

// One step of the subtractive generator on the table positions next, nextp.
inline std::int32_t next_table_value(int& next, int& nextp)
{
    if (++next == 56)
        next = 1;
    if (++nextp == 56)
        nextp = 1;
    const std::int32_t mj = table_difference(ma[next], ma[nextp]);
    ma[next] = mj;
    return mj;
}

// A draw from the one stream, without reseeding.
inline double uniform()
{
    long seed = 1;
    return ran3(&seed);
}

// A draw that is never exactly 0, for deviates that take its logarithm.
inline double nonzero_uniform()
{
    double u;
    do
        u = uniform();
    while (u == 0.0);
    return u;
}

// Truncation to int that stays defined for values beyond the int range
// (probabilities very close to 0 or 1 give huge or infinite quotients).
int truncate_to_int(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (v <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(v);
}

// The clock number T of the seeding and the constant r that bounds it.
// r comes from the C library's generator restarted at 1, so it is the same at
// every call. T is computed in 64 bits: the processor time in microseconds
// times r leaves the 32-bit range after a few seconds of computing.
struct ClockNumber {
    std::int64_t T;
    int r;
};

ClockNumber clock_number()
{
    double c = static_cast<double>(std::clock());
    std::srand(1);
    int r = std::rand() % 1000;
    auto since_epoch = std::chrono::system_clock::now().time_since_epoch();
    auto seconds = std::chrono::duration_cast<std::chrono::seconds>(since_epoch);
    auto micros = std::chrono::duration_cast<std::chrono::microseconds>(since_epoch - seconds);
    double t = (c - r) * r + static_cast<double>(seconds.count() % 1000) * micros.count();
    return {static_cast<std::int64_t>(t), r};
}

// A negative seed of absolute value at most 1999999 - r: never 0 or positive,
// which would not rebuild the table, so every project is really re-seeded.
long clock_seed()
{
    if (fixed_seed != 0)
        return fixed_seed < 0 ? fixed_seed : -fixed_seed;
    ClockNumber cn = clock_number();
    std::int64_t span = 2000000 - cn.r - 1;
    std::int64_t k = cn.T % span;
    if (k < 0)
        k += span;
    return -static_cast<long>(k + 1);
}

void log_text(const char* text, long value)
{
    if (_ZOS_ != nullptr)
        *_ZOS_ << text << value << std::endl;
}

// Gamma(n, 1) for an integer shape n >= 1: the sum of n exponentials for small
// n, otherwise rejection from a Lorentzian envelope (Numerical Recipes, gamdev).
double integer_shape_dev(int n)
{
    if (n < 6) {
        double product = 1.0;
        for (int k = 0; k < n; ++k)
            product *= nonzero_uniform();
        return -std::log(product);
    }
    double am = n - 1;
    double s = std::sqrt(2.0 * am + 1.0);
    for (;;) {
        double w1 = 2.0 * uniform() - 1.0;
        double w2 = 2.0 * uniform() - 1.0;
        if (w1 * w1 + w2 * w2 > 1.0 || w1 == 0.0)
            continue;
        double y = w2 / w1;
        double x = am + s * y;
        if (x <= 0.0)
            continue;
        double e = (1.0 + y * y) * std::exp(am * std::log(x / am) - s * y);
        if (uniform() <= e)
            return x;
    }
}

// Gamma(f, 1) for 0 < f < 1 by the rejection method GS of Ahrens and Dieter (1974).
double fractional_shape_dev(double f)
{
    const double e = 2.718281828459;
    double b = (e + f) / e;
    for (;;) {
        double p = b * uniform();
        if (p > 1.0) {
            double y = -std::log((b - p) / f);
            if (uniform() <= std::pow(y, f - 1.0))
                return y;
        } else {
            double y = std::pow(p, 1.0 / f);
            if (uniform() <= std::exp(-y))
                return y;
        }
    }
}

}  // namespace

double ran3(long* idum)
{
    if (*idum < 0 || !iff) {
        build_table(*idum);
        *idum = 1;
    }
    return next_table_value(inext, inextp) * FAC;
}

// The positions are kept in locals, so that the loop does not wait on the
// stores of the global ones between draws.
void ran3_fill(long* idum, double* values, int count)
{
    if (count <= 0)
        return;
    values[0] = ran3(idum);
    int next = inext, nextp = inextp;
    int i = 1;
    while (i < count) {
        // A run of steps in which neither position wraps round the table.
        const int run = std::min({count - i, 55 - next, 55 - nextp});
        for (int k = 1; k <= run; ++k, ++i) {
            const std::int32_t mj = table_difference(ma[next + k], ma[nextp + k]);
            ma[next + k] = mj;
            values[i] = mj * FAC;
        }
        next += run;
        nextp += run;
        if (i < count)
            values[i++] = next_table_value(next, nextp) * FAC;
    }
    inext = next;
    inextp = nextp;
}

Ran3State ran3_state()
{
    Ran3State state;
    std::copy(ma, ma + 56, state.table);
    state.next = inext;
    state.nextp = inextp;
    state.built = iff;
    return state;
}

void set_ran3_state(Ran3State const& state)
{
    std::copy(state.table, state.table + 56, ma);
    inext = state.next;
    inextp = state.nextp;
    iff = state.built;
}

void set_fixed_ran3_seed(long seed)
{
    fixed_seed = seed;
}

void initialize_ran3(const long& seed)
{
    if (seed >= 0) {
        long lidum = clock_seed();
        log_text("Random number generator initialized with lidum=", lidum);
        std::ofstream record("randseed.txt");
        if (record)
            record << "Random number generator initialized with lidum=" << lidum << '\n';
        ran3(&lidum);
    } else if (seed >= -static_cast<long>(MSEED)) {
        long lidum = seed;
        ran3(&lidum);
        log_text("Random generator initialized with seed=", seed);
    } else {
        E.error(WARNING, "initialize_ran3(const int seed) ", 181);
        long lidum = clock_seed();
        ran3(&lidum);
    }
}

int my_rand()
{
    ClockNumber cn = clock_number();
    std::int64_t span = 2000000 - cn.r;
    std::int64_t k = cn.T % span;
    if (k < 0)
        k += span;
    return static_cast<int>(k);
}

int rand_long(long* n)
{
    if (*n <= 0)
        return 0;
    long k = static_cast<long>(*n * uniform());
    return static_cast<int>(k < *n ? k : *n - 1);
}

void bootstrap_index(int* idx, const int& n)
{
    for (int k = 0; k < n; ++k)
        idx[k] = static_cast<int>(n * uniform());
}

double gamma_dev(double a)
{
    if (!(a > 0.0))
        return 0.0;
    double whole = std::floor(a);
    double f = a - whole;
    double x = whole >= 1.0 ? integer_shape_dev(truncate_to_int(whole)) : 0.0;
    if (f == 0.0)
        return x;
    return x + fractional_shape_dev(f);
}

double igamma_dev(int n)
{
    return n <= 0 ? 0.0 : integer_shape_dev(n);
}

int expdev(const double& p)
{
    // 1 - u lies in (0, 1], so the numerator never takes the logarithm of 0.
    return truncate_to_int(std::log(1.0 - uniform()) / std::log(1.0 - p));
}

int poidev(float xm, long* idum)
{
    // Terms of the previous mean, kept so that repeated calls with the same
    // mean skip the set-up.
    static float oldm = -1.0f;
    static float sq = 0.0f;
    static float alxm = 0.0f;
    static float g = 0.0f;

    // The cached exponential and logarithm are taken in double precision and
    // then rounded: the float functions round some means one unit apart.
    double mean = xm;
    if (xm < 12.0f) {
        // Direct method: multiply uniforms until the product falls below e^-mean.
        if (xm != oldm) {
            oldm = xm;
            g = static_cast<float>(std::exp(-mean));
        }
        int k = -1;
        float t = 1.0f;
        do {
            ++k;
            t *= static_cast<float>(ran3(idum));
        } while (t > g);
        return k;
    }
    // Rejection from a Lorentzian envelope.
    if (xm != oldm) {
        oldm = xm;
        sq = static_cast<float>(std::sqrt(2.0 * mean));
        alxm = static_cast<float>(std::log(mean));
        g = static_cast<float>(xm * alxm - gammln(mean + 1.0));
    }
    float em;
    float t;
    do {
        float y;
        do {
            y = static_cast<float>(std::tan(3.141592654 * ran3(idum)));
            em = sq * y + xm;
        } while (em < 0.0f);
        em = std::floor(em);
        t = static_cast<float>(0.9 * (1.0 + y * y)
                               * std::exp(em * alxm - gammln(em + 1.0) - g));
    } while (ran3(idum) > t);
    return truncate_to_int(em);
}

int geometric(const double& p)
{
    if (p < 1e-10 || p == 1.0)
        return 0;
    return truncate_to_int(std::floor(std::log(nonzero_uniform()) / std::log(p)));
}
