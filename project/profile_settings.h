// The profile of a project: what the "[Profile]" section of a project file
// declares about its data, and the writer of that section.
//
// The data type and the locus separator of the current project are
// process-wide statics of the class: set when a project file is read, never
// reset by initialize, by assignment or between the projects of a run list.
#ifndef DROV_PROJECT_PROFILE_SETTINGS_H
#define DROV_PROJECT_PROFILE_SETTINGS_H

#include <istream>
#include <ostream>

#include "core/datatype.h"
#include "core/my_string.h"

class settings;

// Defaults of the profile keys, also the fallbacks of the project-file readers
// for invalid values. UsedHaplListDefault and RecessiveAlleleDefault are the
// global strings of app/glbobj.h.
constexpr TDataType DataTypeDefault = STANDARD;
constexpr int GenotypicDataDefault = 0;
constexpr int GameticPhaseDefault = 1;
constexpr char LocusSeparatorDefault = ' ';
constexpr int LocusListingDefault = 0;
constexpr int InterleaveDefault = 0;
constexpr char MissingDataDefault = '?';
constexpr int IndividualLevelDefault = 0;
constexpr int NbLociDefault = 0;
constexpr int FrequencyDefault = 0;

class ProfileSettings {
public:
    my_string Title;
    int NbSamples;
    int NbGroups;
    int GenotypicData;        // 1: diploid individuals, 0: haplotypes
    int GameticPhase;         // 1: gametic phase known
    int LocusListing;         // older syntax: 0 TABLE, 1 ONE_BY_ONE
    int NbLoci;               // number of locus labels (older syntax)
    my_string* LociLabels;    // owned array of NbLoci labels, or null
    char MissingData;
    my_string DistMatLabel;
    my_string UsedHaplList;   // "NONE", "EXTERN" (see ExtHaplFile) or a list name
    my_string ExtHaplFile;
    int Interleave;
    int IndividualLevel;
    int Frequency;            // 0 ABS (absolute counts), 1 REL (relative frequencies)
    int RecessiveData;
    my_string RecessiveAllele;
    int GivenDistMat;         // 1: distance matrix given, 0: to be computed
    double EpsilonValue;
    double FrequencyThreshold;
    settings* RunSettings;    // the run's settings, not owned

    static TDataType DataType;
    static char LocusSeparator;  // 0: none, one character per locus

    ProfileSettings();
    ProfileSettings(ProfileSettings const& source);
    ~ProfileSettings();

    // Every field but ExtHaplFile back to its default; the statics are untouched.
    void initialize();
    // Deep copy of every field (the label array included); not the statics.
    ProfileSettings& operator=(ProfileSettings const& source);

    // Readers of the identifier syntax (profile_settings_old_reader.cpp).
    // get_profile_settings moves the stream after "[Profile]" and reads its
    // entries: 1 when they ended at a '[' or the end of the file, 0 after a
    // report. read_profile_id_content reads the value of one profile
    // identifier (lower-cased, the stream after its '='), as do the read
    // members of each key: 1 when the value, or the default that replaced an
    // invalid one, was taken; 0 when the reading must stop. The data type and
    // the locus separator go to the statics.
    int get_profile_settings(std::istream& ifs);
    int read_profile_id_content(std::istream& ifs, my_string key);
    int read_GenotypicData(std::istream& ifs);
    int read_DataType(std::istream& ifs);
    int read_LociLabels(std::istream& ifs);
    int read_UsedHaplList(std::istream& ifs);
    int read_MissingData(std::istream& ifs);
    int read_LocusListing(std::istream& ifs);
    int read_NbLoci(std::istream& ifs);
    int read_LocusSeparator(std::istream& ifs);
    int read_IndividualLevel(std::istream& ifs);
    int read_Interleave(std::istream& ifs);
    int read_Frequency(std::istream& ifs);
    int read_GameticPhase(std::istream& ifs);
    int read_RecessiveData(std::istream& ifs);
    int read_RecessiveAllele(std::istream& ifs);
    int read_freq_threshold(std::istream& ifs);
    int read_eps_val(std::istream& ifs);
    // The setter of GivenDistMat from the answer to whether the distance
    // matrix is to be computed: "yes", "y" or "1" (any case) give 0, any
    // other word 1; returns 1. No profile identifier calls it.
    int read_dist_mat(std::istream& ifs);

private:
    void release_labels();
    // The keys that read_profile_id_content reads itself, with its reports.
    int read_Title(std::istream& ifs);
    int read_NbSamples(std::istream& ifs);
    int read_NbGroups(std::istream& ifs);
};

// Writes the "[Profile]" section of a generated project file, up to "[Data]".
std::ostream& operator<<(std::ostream& os, ProfileSettings& p);

#endif
