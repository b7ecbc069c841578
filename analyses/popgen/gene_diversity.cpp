// Gene diversity H = n/(n-1) (1 - sum p_i^2) and its sampling variance (Nei 1987, eqs 8.4, 8.12);
// theta(H), the theta whose expected homozygosity of a sample equals the observed one (Zouros 1979).

#include <cfloat>
#include <cmath>

#include "analyses/popgen/pop_genetics.h"

namespace {

// The stand-in for an infinite theta(H).
constexpr double kInfiniteTheta = FLT_MAX;

// p of a haplotype with c copies among n: c / n, and 0 for an empty entry.
double frequency_of_count(double c, double n)
{
    return c > 0 ? c / n : 0.0;
}

// p of a class: a count of gene copies from 1.0 on, else already a frequency.
double frequency_of_class(double freq, double n)
{
    return freq >= 1.0 ? freq / n : freq;
}

// 1/Hom - 1 as a function of theta: the expected homozygosity of a sample is
// 1 / (1 + f(theta)).
double homozygosity_curve(double t)
{
    return t * (1.0 + 2.0 * (t + 1.0) / ((t + 2.0) * (t + 3.0)));
}

// Regula falsi for f(t) = 1/hom - 1, to within 1e-7 or 1000 steps.
double solve_theta_Hom(double hom)
{
    const double y = 1.0 / hom - 1.0;
    double x0 = y > 1.0 ? y - 1.0 : 0.001;
    double x1 = y + 1.0;
    double f0 = homozygosity_curve(x0);
    double f1 = homozygosity_curve(x1);
    double x = x1;
    for (int step = 0; step < 1000 && f1 != f0; ++step) {
        x = x1 - (x1 - x0) * (f1 - y) / (f1 - f0);
        double fx = homozygosity_curve(x);
        if (fx - y > 0) {
            x1 = x;
            f1 = fx;
        } else {
            x0 = x;
            f0 = fx;
        }
        if (std::fabs(fx - y) <= 1e-7)
            break;
    }
    return x;
}

// The s.d. of theta(H) carried over from that of H.
double theta_Hom_sd(double t, double hom, double h_sd)
{
    double t2 = (t + 2.0) * (t + 2.0);
    double t3 = (t + 3.0) * (t + 3.0);
    double denominator = (10.0 * (t + 2.0) + (t + 4.0) * (t + 3.0) * (t + 2.0) + 4.0) * (t + 1.0)
                         * hom * hom;
    return h_sd * t2 * t3 / denominator;
}

}  // namespace

double& PopGenetics::calc_F()
{
    double F = 0.0;
    for (int i = 0; i < haplotypes.count; ++i) {
        double p = frequency_of_count(haplotypes.data[i]->count, SampleSize);
        F += p * p;
    }
    SumSqHaplFreq = F;
    return SumSqHaplFreq;
}

// One gene copy is a sample without diversity: the rule for n <= 1 comes
// before that for all copies different, which one copy would also meet.
double& PopGenetics::calc_sample_homozygosity()
{
    const double n = SampleSize;
    if (n <= 1.0) {
        Homozygosity = 1.0;
        GeneDiversity = 0.0;
        return Homozygosity;
    }
    if (num_haplotypes == n) {
        Homozygosity = 0.0;
        GeneDiversity = 1.0;
        return Homozygosity;
    }
    double H = std::fmin((1.0 - calc_F()) * (n / (n - 1.0)), 1.0);
    GeneDiversity = H;
    Homozygosity = 1.0 - H;
    return Homozygosity;
}

double& PopGenetics::calc_sample_sd_heterozygosity()
{
    const double n = SampleSize;
    double F = calc_F();
    if (n <= 1.0) {
        GeneDiversitySD = 0.0;
        return GeneDiversitySD;
    }
    double G = 0.0;
    for (int i = 0; i < haplotypes.count; ++i) {
        double p = frequency_of_count(haplotypes.data[i]->count, n);
        G += p * p * p;
    }
    double V = 2.0 / ((n - 1.0) * n) * (2.0 * (n - 2.0) * (G - F * F) + F - F * F);
    if (V >= 0)
        GeneDiversitySD = std::sqrt(V);
    return GeneDiversitySD;
}

double& PopGenetics::calc_theta_Hom()
{
    const double n = SampleSize;
    if (n <= 1.0) {
        Homozygosity = 1.0;
        GeneDiversity = 0.0;
        ThetaHom = ThetaHomSD = 0.0;
        return ThetaHom;
    }
    if (num_haplotypes == n) {
        ThetaHom = kInfiniteTheta;
        return ThetaHom;
    }
    double hom = calc_sample_homozygosity();
    if (hom == 1.0) {
        ThetaHom = ThetaHomSD = 0.0;
        return ThetaHom;
    }
    if (hom <= 0.0) {
        ThetaHom = ThetaHomSD = kInfiniteTheta;
        return ThetaHom;
    }
    ThetaHom = solve_theta_Hom(hom);
    ThetaHomSD = theta_Hom_sd(ThetaHom, hom, calc_sample_sd_heterozygosity());
    return ThetaHom;
}

// On pooled haplotype classes: F goes to EWObservedF and H is neither capped
// nor stored; the s.d. still comes from the sample's own haplotypes.
double PopGenetics::calc_theta_Hom(HaplotypeClasses const& classes)
{
    const double n = SampleSize;
    if (n <= 1.0) {
        ThetaHom = ThetaHomSD = 0.0;
        return 0.0;
    }
    if (classes.count == n)
        return kInfiniteTheta;
    double F = 0.0;
    for (int i = 0; i < classes.count; ++i) {
        double p = frequency_of_class(classes.data[i]->Freq, n);
        F += p * p;
    }
    EWObservedF = F;
    double H = (1.0 - F) * (n / (n - 1.0));
    double hom = 1.0 - H;
    if (H > 1.0 || hom <= 0.0) {
        ThetaHom = ThetaHomSD = kInfiniteTheta;
        return ThetaHom;
    }
    if (hom == 1.0) {
        ThetaHom = ThetaHomSD = 0.0;
        return 0.0;
    }
    ThetaHom = solve_theta_Hom(hom);
    ThetaHomSD = theta_Hom_sd(ThetaHom, hom, calc_sample_sd_heterozygosity());
    return ThetaHom;
}
