// A population sample: construction, copies, emptying and the short name of
// its per-sample files.

#include "model/population.h"

#include <algorithm>
#include <new>
#include <string>
#include <unordered_map>

#include "core/errors.h"

namespace {

// The short names handed out during the current run, each with the sample that
// claimed it, so that two samples never write their per-sample files under
// one name.
std::unordered_map<std::string, std::string>& small_name_owners()
{
    static std::unordered_map<std::string, std::string> owners;
    return owners;
}

// At most 6 leading characters; for names of 9 or more characters, up to 3
// non-blank characters more, taken backwards from the end but not from the
// first 6 positions.
std::string short_form(my_string const& name)
{
    int n = name.length;
    std::string result(name.str, std::min(n, 6));
    if (n >= 9) {
        int taken = 0;
        for (int pos = n - 1; pos >= 6 && taken < 3; --pos) {
            if (name.str[pos] == ' ')
                continue;
            result += name.str[pos];
            ++taken;
        }
    }
    return result;
}

}  // namespace

Population::Population()
    : locus_polymorphic(nullptr), num_locus_flags(0), profile(), name(), sample_index(-1), haplotypes(9, 100),
      geneCopies(9, 100), amovaList(&haplotypes), individuals(), alleleDB(nullptr),
      estimated_haplotypes(),
      ssdWithinSum(0), ssdWithin(0), ssdWithinIndiv(0), permCounts(nullptr),
      presentHaplos(nullptr), numPresentHaplos(0), numMatrixHaplos(0), num_haplotypes(0),
      nbInitialHaplotypes(0), SampleSize(0), inv_sample_size(0), ld_deg_freedom(0),
      HaplotypesFromGenotypes(0), group_level_sample(false), xCoord(0), yCoord(0),
      contingency_table(nullptr), RecessiveAllelesEM(0), monomorphic_locus(0)
{
    initialize();
}

Population::Population(my_string const& sample_name, int const& index,
                       ProfileSettings& sample_profile)
    : Population()
{
    name = sample_name;
    sample_index = index;
    profile = sample_profile;
}

Population::Population(my_string const& sample_name) : Population()
{
    name = sample_name;
}

// The members start empty as in the default constructor; the assignment then
// resets and copies everything it copies.
Population::Population(Population const& other) : Population()
{
    *this = other;
}

Population::~Population()
{
    clean();
}

void Population::reset_scalars()
{
    name = "";
    sample_index = -1;
    SampleSize = 0;
    num_haplotypes = 0;
    numPresentHaplos = 0;
    alleleDB = nullptr;
    group_level_sample = false;
    amovaList = &haplotypes;
    ld_deg_freedom = 0;
    HaplotypesFromGenotypes = 0;
}

void Population::initialize()
{
    reset_scalars();
    clean();
}

void Population::DeletePermutationVectors()
{
    delete[] permCounts;
    delete[] presentHaplos;
    permCounts = nullptr;
    presentHaplos = nullptr;
    numPresentHaplos = 0;
    numMatrixHaplos = 0;
}

void Population::clean()
{
    DeletePermutationVectors();
    individuals.phenotypes.Flush();
    haplotypes.Flush();
    geneCopies.Flush();
    estimated_haplotypes.empty();
    renew_polymorphism_flags(0);
}

int* Population::renew_polymorphism_flags(int L)
{
    delete[] locus_polymorphic;
    locus_polymorphic = nullptr;
    num_locus_flags = 0;
    if (L > 0) {
        locus_polymorphic = new int[L]();
        num_locus_flags = L;
    }
    return locus_polymorphic;
}

bool Population::is_locus_polymorphic(int locus) const
{
    return locus_polymorphic && locus >= 0 && locus < num_locus_flags &&
           locus_polymorphic[locus] != 0;
}

Population& Population::operator=(Population const& other)
{
    if (this == &other)
        return *this;
    reset_scalars();
    clean();

    name = other.name;
    sample_index = other.sample_index;
    num_haplotypes = other.num_haplotypes;
    SampleSize = other.SampleSize;
    inv_sample_size = other.inv_sample_size;
    RecessiveAllelesEM = other.RecessiveAllelesEM;
    ssdWithinSum = other.ssdWithinSum;
    ssdWithin = other.ssdWithin;
    ssdWithinIndiv = other.ssdWithinIndiv;
    estimated_haplotypes = other.estimated_haplotypes;
    individuals = other.individuals;
    profile = other.profile;
    ld_deg_freedom = other.ld_deg_freedom;
    group_level_sample = other.group_level_sample;

    for (int i = 0; i < other.haplotypes.count; i++) {
        PHaploDef const* record = other.haplotypes[i];
        haplotypes.Add(new PHaploDef(record->haplotype, record->count));
    }
    copy_polymorphism_flags(other);
    xCoord = other.xCoord;
    yCoord = other.yCoord;
    locationLabel = other.locationLabel;
    return *this;
}

// Without records (genotypic data as read) the copy has no flags.
void Population::copy_polymorphism_flags(Population const& other)
{
    if (other.haplotypes.count == 0 || !other.locus_polymorphic)
        return;
    try {
        renew_polymorphism_flags(other.num_locus_flags);
    } catch (std::bad_alloc const&) {
        E.error(MEMORY, "Population::operator=()", 0);
        return;
    }
    std::copy(other.locus_polymorphic, other.locus_polymorphic + num_locus_flags,
              locus_polymorphic);
}

my_string Population::get_small_name() const
{
    std::string base = short_form(name);
    // The same sample asking again gets the name it was given; the pooled
    // sample of a group is another sample than a population of that name.
    std::string owner = std::string(name.str) + (group_level_sample ? "\n(group)" : "");
    auto& owners = small_name_owners();
    std::string candidate = base;
    int suffix = sample_index >= 0 ? sample_index : 0;
    for (;;) {
        auto found = owners.find(candidate);
        if (found == owners.end()) {
            owners.emplace(candidate, owner);
            break;
        }
        if (found->second == owner)
            break;
        candidate = base + std::to_string(suffix++);
    }
    return my_string(candidate.c_str());
}

void Population::reset_small_names()
{
    small_name_owners().clear();
}

void Population::test_methods(settings&)
{
}

void Population::clean_bnum()
{
}

int Population::check_data()
{
    return 0;
}

int Population::compute_distance_matrix(std::fstream*, settings*, int)
{
    return 0;
}

void Population::rm_blanks_at_end(char* text)
{
    char* end = text;
    while (*end && *end != '#')
        ++end;
    while (end > text && (end[-1] == ' ' || end[-1] == '\t'))
        --end;
    *end = '\0';
}
