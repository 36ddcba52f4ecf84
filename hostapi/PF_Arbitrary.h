#pragma once
// Arbitrary-data parameter callbacks (PF_Cmd_ARBITRARY_CALLBACK).

#include "hostapi/PF_ParamDef.h"
#include "hostapi/PF_Types.h"

using PF_ArbitraryFunc = A_long;
constexpr PF_ArbitraryFunc PF_Arbitrary_NEW_FUNC = 0;
constexpr PF_ArbitraryFunc PF_Arbitrary_DISPOSE_FUNC = 1;
constexpr PF_ArbitraryFunc PF_Arbitrary_COPY_FUNC = 2;
constexpr PF_ArbitraryFunc PF_Arbitrary_FLAT_SIZE_FUNC = 3;
constexpr PF_ArbitraryFunc PF_Arbitrary_FLATTEN_FUNC = 4;
constexpr PF_ArbitraryFunc PF_Arbitrary_UNFLATTEN_FUNC = 5;
constexpr PF_ArbitraryFunc PF_Arbitrary_INTERP_FUNC = 6;
constexpr PF_ArbitraryFunc PF_Arbitrary_COMPARE_FUNC = 7;
constexpr PF_ArbitraryFunc PF_Arbitrary_PRINT_SIZE_FUNC = 8;
constexpr PF_ArbitraryFunc PF_Arbitrary_PRINT_FUNC = 9;
constexpr PF_ArbitraryFunc PF_Arbitrary_SCAN_FUNC = 10;

using PF_ArbCompareResult = A_long;
constexpr PF_ArbCompareResult PF_ArbCompare_EQUAL = 0;
constexpr PF_ArbCompareResult PF_ArbCompare_LESS = 1;
constexpr PF_ArbCompareResult PF_ArbCompare_MORE = 2;
constexpr PF_ArbCompareResult PF_ArbCompare_NOT_EQUAL = 3;

using PF_ArbPrintFlags = A_long;

struct PF_ArbParamsExtra {
    PF_ArbitraryFunc which_function;
    A_short id;
    A_short padding;
    void* refconPV; // identifies whose arbitrary data this is
    union {
        struct {
            PF_ArbitraryH* arbPH;
        } new_func_params;
        struct {
            PF_ArbitraryH arbH;
        } dispose_func_params;
        struct {
            PF_ArbitraryH src_arbH;
            PF_ArbitraryH* dst_arbPH;
        } copy_func_params;
        struct {
            PF_ArbitraryH arbH;
            A_u_long* flat_data_sizePLu;
        } flat_size_func_params;
        struct {
            PF_ArbitraryH arbH;
            A_u_long buf_sizeLu;
            void* flat_dataPV;
        } flatten_func_params;
        struct {
            A_u_long buf_sizeLu;
            const void* flat_dataPV;
            PF_ArbitraryH* arbPH;
        } unflatten_func_params;
        struct {
            PF_ArbitraryH left_arbH;
            PF_ArbitraryH right_arbH;
            PF_FpLong tF;
            PF_ArbitraryH* interpPH;
        } interp_func_params;
        struct {
            PF_ArbitraryH a_arbH;
            PF_ArbitraryH b_arbH;
            PF_ArbCompareResult* compareP;
        } compare_func_params;
        struct {
            PF_ArbitraryH arbH;
            A_u_long* print_sizePLu;
        } print_size_func_params;
        struct {
            PF_ArbPrintFlags print_flags;
            PF_ArbitraryH arbH;
            A_u_long print_sizeLu;
            A_char* print_bufferPC;
        } print_func_params;
        struct {
            void* refconPV;
            const A_char* bufPC;
            A_u_long bytes_to_scanLu;
            PF_ArbitraryH* arbPH;
        } scan_func_params;
    } u;
};
