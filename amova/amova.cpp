// The AMOVA analysis object: preparation of its tables, the choice of the
// design from the data and the genetic structure, the run of that design and
// of the pairwise comparisons, and the release of the tables.
//
// A structure that would make the index vector read or write past its end
// (an AMOVA list that does not sum to its sample size, a haplotype without a
// row of the distance matrix, a population outside the numbering, an empty
// population, an odd number of gene copies in genotypic data) is refused with
// "ill-defined genetic structure" before anything is loaded, and no design
// runs.

#include "amova/amova.h"

#include <cstdint>
#include <ctime>
#include <new>

#include "app/glbobj.h"
#include "app/settings.h"
#include "core/errors.h"
#include "model/dist_mat.h"
#include "model/population.h"
#include "project/project_file_lines.h"
#include "project/result_tree.h"
#include "project/samples.h"
#include "project/structure.h"

namespace {

int number_of_populations(Structure const& s)
{
    int P = 0;
    for (int g = 0; g < s.NbGroups; ++g)
        P += s.Groups[g].count;
    return P;
}

// "%d/%m/%Y at %H:%M:%S)": the closing parenthesis stands in the files
// written so far, so it stays.
my_string time_stamp_now()
{
    char text[80] = "";
    std::time_t now = std::time(nullptr);
    if (std::tm* local = std::localtime(&now))
        std::strftime(text, sizeof text, "%d/%m/%Y at %H:%M:%S)", local);
    return my_string(text);
}

// Empties the table and gives its storage back.
template <class T>
void release(std::vector<T>& table)
{
    std::vector<T>().swap(table);
}

}  // namespace

// The name of the distance method in the method line, or null when the data
// type has no name for it.
const char* distance_method_name(int method)
{
    switch (ProfileSettings::DataType) {
    case DNA:
        return method >= 0 && method <= 6 ? DistanceNames[method] : nullptr;
    case RFLP:
        return method == 0 ? DistanceNames[0] : method == 1 ? DistanceNames[3] : nullptr;
    case MICROSAT:
        return method == 0 ? DistanceNames[7] : method == 1 ? DistanceNames[8] : nullptr;
    case STANDARD:
        return "Pairwise differences";
    default:
        return nullptr;
    }
}

Amova::Amova(settings& run_settings, Structure* structure_, Samples* samples_,
             DistMat* distances, Haplo_DB* haplotypes, TAlleleDB* alleles, Mantel* mantel_,
             int print_flag, int locus_by_locus_flag, amova_results* results_)
    : ssdAG(0), ssdAP(0), ssdWP(0), ssdWI(0), ssdTotal(0), dfA(0), dfB(0), dfC(0), dfD(0),
      msA(0), msB(0), msC(0), msD(0), nCoef1(0), nCoef2(0), nCoef3(0), Va(0), Vb(0), Vc(0),
      Vd(0), totalVariance(0), FIS(0), FIT(0), FCT(0), FSC(0), FST(0),
      runSettings(run_settings), structure(structure_), samples(samples_), distMat(distances),
      haploDB(haplotypes), alleleDB(alleles), mantel(mantel_), designCode(NO_DESIGN),
      individualLevel(0), numPermutations(0), totalGeneCopies(0), numUnits(0),
      totalPairSSD(0), printFlag(print_flag), locusByLocusFlag(locus_by_locus_flag),
      results(results_), wellDefined(false), batchLineOpen(false)
{
    settings& s = runSettings;
    bool asked = amova_asked();
    bool prepare = asked || s.ComputePairwiseFST || s.PrintMissIntermatchs;
    // Whatever ends the analysis, a started batch line gets its end.
    struct BatchLineGuard {
        Amova& amova;
        ~BatchLineGuard() { amova.end_batch_line(); }
    } guard{*this};

    if (prepare) {
        bool genotypic = samples->GenotypicData != 0;
        for (int i = 0; i < samples->Populations.count; ++i) {
            Population* p = samples->Populations.data[i];
            p->amovaList = genotypic ? &p->geneCopies : &p->haplotypes;
        }
        initialize();
    }
    if (asked) {
        s.build_sigm_histo_f_name();
        if (printFlag && s.results_stream) {
            structure->print_structure(*s.results_stream);
            print_method_line();
        }
        designCode = choose_design();
        if (_AMOVA_RES_ && ofs_amova_res) {
            *ofs_amova_res << settings::input_file << "\t";
            batchLineOpen = true;
        }
        run_design();
    }
    if (prepare)
        for (int g = 0; g < structure->NbGroups; ++g)
            for (int k = 0; k < structure->Groups[g].count; ++k)
                structure->Groups[g].data[k]->DeletePermutationVectors();
    end_batch_line();
    run_pairwise_part();
    if (asked)
        clean();
}

Amova::~Amova()
{
    clean();
}

bool Amova::amova_asked() const
{
    settings const& s = runSettings;
    return (s.TaskNumber & settings::AMOVA) && (s.HaplAMOVA || s.LocByLocAMOVA);
}

void Amova::print_method_line()
{
    settings& s = runSettings;
    std::ostream& out = *s.results_stream;
    if (s.ComputeConventionalFST) {
        out << "\nComputing conventional F-Statistics from haplotype frequencies\n";
    } else if (s.ComputeDistanceMatrixAMOVA) {
        out << "\nDistance method: ";
        if (const char* name = distance_method_name(s.DistanceMethodAMOVA))
            out << name << "\n";
    }
}

int Amova::choose_design() const
{
    settings const& s = runSettings;
    int G = structure->NbGroups;
    int m = G >= 1 ? structure->Groups[0].count : 0;
    if (G <= 0)
        return NO_DESIGN;
    bool groups = G >= 2;
    bool genotypic = samples->GenotypicData != 0;
    bool phase_known = samples->GameticPhase != 0;

    if (!genotypic || (phase_known && !individualLevel))
        return groups ? GROUPS : (m >= 2 ? ONE_GROUP : NO_DESIGN);
    if (phase_known) {
        if (groups)
            return GROUPS_INDIVIDUALS;
        return m >= 2 ? ONE_GROUP_INDIVIDUALS : (m == 1 ? ONE_POP_INDIVIDUALS : NO_DESIGN);
    }
    if (s.RecessiveAllelesEM)
        return groups ? GROUPS_RECESSIVE : (m >= 2 ? ONE_GROUP_RECESSIVE : NO_DESIGN);
    if (individualLevel && !s.ComputeConventionalFST) {
        if (groups)
            return GROUPS_INDIVIDUALS;
        return m >= 2 ? ONE_GROUP_INDIVIDUALS : ONE_POP_INDIVIDUALS;
    }
    return groups ? GROUPS_WHOLE_INDIVIDUALS
                  : (m >= 2 ? ONE_GROUP_WHOLE_INDIVIDUALS : NO_DESIGN);
}

int Amova::result_code(int design)
{
    switch (design) {
    case ONE_POP_INDIVIDUALS: return 6;
    case ONE_GROUP: return 1;
    case ONE_GROUP_INDIVIDUALS: return 2;
    case GROUPS: return 3;
    case GROUPS_INDIVIDUALS: return 4;
    case ONE_GROUP_WHOLE_INDIVIDUALS: return 7;
    case GROUPS_WHOLE_INDIVIDUALS: return 5;
    case ONE_GROUP_RECESSIVE: return 9;
    case GROUPS_RECESSIVE: return 8;
    default: return 0;
    }
}

// The record names the design chosen even when the structure was refused
// and the design did not run: the record then keeps its zeros.
void Amova::run_design()
{
    if (designCode == NO_DESIGN)
        return;
    results->amova_case = result_code(designCode);
    if (!wellDefined)
        return;
    switch (designCode) {
    case ONE_POP_INDIVIDUALS: AMOVA_1G_1P_I(); break;
    case ONE_GROUP: AMOVA_1G_P_H(); break;
    case ONE_GROUP_INDIVIDUALS: AMOVA_1G_P_I(); break;
    case GROUPS: AMOVA_G_P_H(); break;
    case GROUPS_INDIVIDUALS: AMOVA_G_P_I(); break;
    case ONE_GROUP_WHOLE_INDIVIDUALS: AMOVA_1G_P_IH(); break;
    case GROUPS_WHOLE_INDIVIDUALS: AMOVA_G_P_IH(); break;
    case ONE_GROUP_RECESSIVE: AMOVA_1G_P_RIH(); break;
    case GROUPS_RECESSIVE: AMOVA_G_P_RIH(); break;
    default: break;
    }
    // A design sets the case to 0 when it fills the record.
    results->amova_case = result_code(designCode);
}

void Amova::run_pairwise_part()
{
    settings& s = runSettings;
    bool fst = (s.TaskNumber & settings::PAIRWISE_FST) || s.ComputeDeltaMuSqr;
    if (!fst && !(s.TaskNumber & settings::MANTEL_TEST))
        return;
    if (fst) {
        bool group_level = samples->Populations.count > 0
                           && samples->Populations.data[0]->group_level_sample;
        print_js_doc_entry(s, 2, group_level ? "_gr_pairw_diff" : "_pop_pairw_diff",
                           "Pairwise distances");
    }
    *_ZOS_ << "\tComputing pairwise Fst's ... \n";
    std::clock_t start = std::clock();
    CalcPairDist();
    *_ZOS_ << "\tdone ! (" << milliseconds_since(start) << " ms)\n";
}

void Amova::end_batch_line()
{
    if (!batchLineOpen)
        return;
    batchLineOpen = false;
    if (ofs_amova_res) {
        *ofs_amova_res << "\n";
        ofs_amova_res->flush();
    }
}

void Amova::initialize()
{
    settings& s = runSettings;
    individualLevel = s.IncludeIndividualLevel;
    numPermutations = s.NumPermutationsAMOVA;
    timeStamp = time_stamp_now();
    int G = structure->NbGroups > 0 ? structure->NbGroups : 0;
    int P = number_of_populations(*structure);
    int h = distMat->size;
    popPairSSD.create(P);
    groupPairSSD.create(G);
    groupSizes.assign(G, 0.0);
    groupSSD.assign(G, 0.0);
    totalPairSSD = 0;
    totalGeneCopies = 0;
    numUnits = 0;
    wellDefined = structure_is_well_defined(h);
    try {
        popTable.assign(P, nullptr);
        groupPops.assign(G, {});
        popFST.assign(P, 0.0);
        popFIS.assign(P, 0.0);
        popFISPValue.assign(P, 0.0);
        for (int g = 0; g < G; ++g) {
            MY_TIArrayAsVector<Population>& members = structure->Groups[g];
            groupPops[g].reserve(members.count);
            for (int k = 0; k < members.count; ++k) {
                Population* p = members.data[k];
                groupSizes[g] += p->SampleSize;
                totalGeneCopies += p->SampleSize;
                groupPops[g].push_back(p);
                if (wellDefined)
                    popTable[p->sample_index] = p;
                p->CreatePermutationVectors(h);
            }
        }
        haploIndexVector.assign(wellDefined ? static_cast<size_t>(totalGeneCopies) : 0, 0);
    } catch (std::bad_alloc const&) {
        E.error(MEMORY, "Amova::initialize()", 0);
        throw AmovaFatalError();
    } catch (ExceptionType) {
        E.error(MEMORY, "Amova::initialize()", 0);
        throw AmovaFatalError();
    }
    numUnits = individualLevel ? totalGeneCopies * 0.5 : totalGeneCopies;
    if (wellDefined)
        load_HaplotypeIndexVector();
}

bool Amova::structure_is_well_defined(int matrix_size) const
{
    int P = number_of_populations(*structure);
    bool genotypic = samples->GenotypicData != 0;
    std::vector<char> numbered(P, 0);
    bool fit = P == 0 || matrix_size > 0;
    for (int g = 0; fit && g < structure->NbGroups; ++g) {
        MY_TIArrayAsVector<Population>& members = structure->Groups[g];
        for (int k = 0; fit && k < members.count; ++k) {
            Population const* p = members.data[k];
            int index = p->sample_index;
            // Gene copies are counted and permuted as ints: a sample larger
            // than an int holds cannot be analysed.
            double n = p->SampleSize;
            fit = index >= 0 && index < P && !numbered[index] && n > 0 && n <= INT32_MAX
                  && p->amovaList
                  && !(genotypic && static_cast<long long>(n) % 2 != 0);
            if (!fit)
                break;
            numbered[index] = 1;
            double copies = 0;
            MY_TIArrayAsVector<PHaploDef> const& list = *p->amovaList;
            for (int r = 0; fit && r < list.count; ++r) {
                PHaploDef const* record = list.data[r];
                if (record->count < 1)
                    continue;
                copies += record->count;
                fit = record->haplotype && record->haplotype->matrix_index >= 0
                      && record->haplotype->matrix_index < matrix_size;
            }
            fit = fit && copies == n;
        }
    }
    if (!fit)
        E.error(ERROR, "Amova::initialize()", 2);
    return fit;
}

void Amova::load_HaplotypeIndexVector()
{
    size_t at = 0;
    for (Population* p : popTable) {
        MY_TIArrayAsVector<PHaploDef> const& list = *p->amovaList;
        for (int r = 0; r < list.count; ++r) {
            PHaploDef const* record = list.data[r];
            for (int c = 0; c < record->count; ++c)
                haploIndexVector[at++] = record->haplotype->matrix_index;
        }
    }
    distribute_HaplotypeIndexVector();
}

void Amova::distribute_HaplotypeIndexVector()
{
    size_t offset = 0;
    for (Population* p : popTable) {
        p->SetUpVectorsAfterPermutation(haploIndexVector.data() + offset);
        offset += static_cast<size_t>(p->SampleSize);
    }
}

void Amova::distribute_populations()
{
    size_t k = 0;
    for (std::vector<Population*>& members : groupPops)
        for (Population*& slot : members)
            slot = popTable[k++];
}

void Amova::clean()
{
    release(groupSizes);
    release(groupSSD);
    release(popTable);
    release(groupPops);
    release(haploIndexVector);
    release(popFST);
    release(popFIS);
    release(popFISPValue);
    popPairSSD.destroy();
    groupPairSSD.destroy();
    squareDist.release();
}
