// The data type of a project, as declared by the DataType key of its profile.
#ifndef DROV_CORE_DATATYPE_H
#define DROV_CORE_DATATYPE_H

enum TDataType { DNA = 0, RFLP = 1, MICROSAT = 2, STANDARD = 3, FREQUENCY = 4 };

// The word of the DataType key for a data type ("DNA", "MICROSAT", ...).
inline const char* data_type_name(TDataType type)
{
    switch (type) {
    case DNA: return "DNA";
    case RFLP: return "RFLP";
    case MICROSAT: return "MICROSAT";
    case STANDARD: return "STANDARD";
    case FREQUENCY: return "FREQUENCY";
    }
    return "";  // not reached: data types are only ever set from the enum
}

#endif
