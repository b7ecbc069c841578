// Haplotypes of recessive standard data estimated anew for an AMOVA: each
// population's individuals go through the EM of a temporary standard sample,
// the estimated frequencies become the population's AMOVA records, and the
// distances between the pooled haplotypes replace the analysis' matrix.

#include "amova/amova.h"
#include "analyses/datatypes/popul_standard.h"
#include "app/settings.h"
#include "core/errors.h"
#include "model/dist_mat.h"
#include "model/haplo_db.h"
#include "project/project.h"
#include "project/samples.h"

namespace {

const char* const WHERE = "Amova::Calc_new_EM_haplo()";

// The settings of the estimation (the EM alone, recessive alleles, one
// start condition, no bootstrap, no sub-haplotypes), put back on every exit.
class EMSettings {
public:
    explicit EMSettings(settings& s)
        : s_(s), task_(s.TaskNumber), initial_(s.InitialConditionsEM),
          bootstraps_(s.NumBootstrapReplicatesEM), sub_(s.ComputeAllSubHaplotypesEM),
          recessive_(s.RecessiveAllelesEM)
    {
        s.TaskNumber = settings::HAPLOTYPE_FREQUENCIES;
        s.InitialConditionsEM = 5;
        s.NumBootstrapReplicatesEM = 0;
        s.ComputeAllSubHaplotypesEM = 0;
        s.RecessiveAllelesEM = 1;
    }
    ~EMSettings()
    {
        s_.TaskNumber = task_;
        s_.InitialConditionsEM = initial_;
        s_.NumBootstrapReplicatesEM = bootstraps_;
        s_.ComputeAllSubHaplotypesEM = sub_;
        s_.RecessiveAllelesEM = recessive_;
    }
    EMSettings(EMSettings const&) = delete;
    EMSettings& operator=(EMSettings const&) = delete;

private:
    settings& s_;
    int task_;
    int initial_;
    int bootstraps_;
    int sub_;
    int recessive_;
};

}  // namespace

int Amova::Calc_new_EM_haplo(Project& project)
{
    if (ProfileSettings::DataType != STANDARD)
        return 0;
    // The records point at the definitions of the list: every sample's
    // records go before the list does, so that none is left dangling.
    MY_TIArrayAsVector<Population>& all = samples->Populations;
    for (int i = 0; i < all.count; ++i) {
        all.data[i]->haplotypes.Flush();
        all.data[i]->geneCopies.Flush();
    }
    haploDB->list.Flush();

    for (Population* p : popTable) {
        PopulStandard estimate(*p);
        estimate.alleleDB = alleleDB;
        {
            EMSettings changed(runSettings);
            estimate.test_methods(runSettings);
        }
        estimate.h_pop_db_to_gam(haploDB, p->amovaList);
    }

    if (!project.calc_dist_matrix(*haploDB, runSettings.DistanceMethodAMOVA,
                                  runSettings.GammaAValueAMOVA, *distMat, WHERE))
        return 0;
    // The matrix rows follow the list.
    haploDB->associate_with2(*distMat);
    squareDist.release();  // made anew for the new matrix by the tests
    for (Population* p : popTable)
        p->CreatePermutationVectors(distMat->size);
    return 1;
}
