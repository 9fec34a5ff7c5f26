#pragma once
// The worked examples end to end against a stand-in host, whatever the transport: the host's call
// log of a 2D run and the command texts of a 3D part, for Start_ACAD with the part name
// "Шпилька_M12x100_ГОСТ_22032-76", d 12, b 30, b1 12, c 1.6 and the point (0, 0) picked; L is 100
// in 2D and 112 in 3D.

#include <string>
#include <vector>

// The start of every message of Start_ACAD; the error's own words follow.
inline const std::string startText =
    "Модуль   : Quorvel_Draw\r\nПроцедура: Start_ACAD\r\nОшибка   : ";

// Every call of the 2D run as the host logs it: object, member, kind, arguments, result.
inline const std::vector<std::string> workedExample2DCalls = {
    "Application\tActiveDocument\t3\t\t-> /Document",
    "Application\tVisible\t4\ttrue\t-> <empty>",
    "Document\tGetVariable\t1\tOSMODE\t-> 4133",
    "Document\tSetVariable\t1\tOSMODE|0\t-> <empty>",
    "Document\tUtility\t3\t\t-> /Utility",
    "Utility\tGetPoint\t1\t<empty>|Insert point: \t-> (0,0,0)",
    "Document\tSendCommand\t1\t_ZOOM\\r_W\\r-12,-12\\r112,12\\r\t-> <empty>",
    "Document\tLayers\t3\t\t-> /Layers",
    "Document\tActiveLayer\t3\t\t-> /Layers/0",
    "Layers\tCount\t3\t\t-> 1",
    "Layers\tAdd\t1\t2\t-> /Layers/1",
    "Layers/1\tcolor\t4\t6\t-> <empty>",
    "Document\tActiveLayer\t4\t/Layers/1\t-> <empty>",
    "Document\tSendCommand\t1\t_PLINE\\r0,-6\\r100,-6\\r100,6\\r0,6\\rCL\\r\t-> <empty>",
    "Document\tSendCommand\t1\t_CHAMFER\\rD\\r1.6\\r1.6\\rP\\rLAST\\r\t-> <empty>",
    "Document\tSendCommand\t1\t_LINE\\r1.6,-6\\r1.6,6\\r\\r\t-> <empty>",
    "Document\tSendCommand\t1\t_LINE\\r98.4,6\\r98.4,-6\\r\\r\t-> <empty>",
    "Layers\tCount\t3\t\t-> 2",
    "Layers\tItem\t1\t1\t-> /Layers/1",
    "Layers/1\tname\t3\t\t-> 2",
    "Layers\tAdd\t1\t1\t-> /Layers/2",
    "Layers/2\tcolor\t4\t2\t-> <empty>",
    "Document\tActiveLayer\t4\t/Layers/2\t-> <empty>",
    "Document\tSendCommand\t1\t_LINE\\r0,4.4\\r12,4.4\\r\\r\t-> <empty>",
    "Document\tSendCommand\t1\t_LINE\\r70,4.4\\r100,4.4\\r\\r\t-> <empty>",
    "Document\tSendCommand\t1\t_LINE\\r0,-4.4\\r12,-4.4\\r\\r\t-> <empty>",
    "Document\tSendCommand\t1\t_LINE\\r70,-4.4\\r100,-4.4\\r\\r\t-> <empty>",
    "Document\tActiveLayer\t4\t/Layers/1\t-> <empty>",
    "Document\tSendCommand\t1\t_LINE\\r12,6\\r12,-6\\r\\r\t-> <empty>",
    "Document\tSendCommand\t1\t_LINE\\r70,6\\r70,-6\\r\\r\t-> <empty>",
    "Layers\tCount\t3\t\t-> 3",
    "Layers\tItem\t1\t1\t-> /Layers/1",
    "Layers/1\tname\t3\t\t-> 2",
    "Layers\tItem\t1\t2\t-> /Layers/2",
    "Layers/2\tname\t3\t\t-> 1",
    "Layers\tAdd\t1\t7\t-> /Layers/3",
    "Layers/3\tcolor\t4\t5\t-> <empty>",
    "Document\tActiveLayer\t4\t/Layers/3\t-> <empty>",
    "Document\tSendCommand\t1\t_LINE\\r-1.6,0\\r101.6,0\\r\\r\t-> <empty>",
    "Document\tActiveLayer\t4\t/Layers/0\t-> <empty>",
    "Document\tSetVariable\t1\tOSMODE|4133\t-> <empty>",
    "Document\tSendCommand\t1\t_ZOOM\\r_P\\r\t-> <empty>",
};

// The command texts of the 3D run in order. The host computes PolarPoint with cos and sin, as a
// CAD program does, so cos(π/2) leaves its residue in the thread's point.
inline const std::vector<std::string> workedExample3DCommands = {
    "AMDT_SKETCH_VIEW\\r",
    "_ZOOM\\r_W\\r-12,-12\\r124,12\\r",
    "CMDDIA\\r0\\r",
    "AMDT_NEW_PART\\rШпилька_M12x100_ГОСТ_22032-76\\r",
    "_PLINE\\r0,0\\r112,0\\r112,6\\r0,6\\rCL\\r",
    "amdt_1profile\\r",
    "amrevolve\\r56,0\\r\\r\\r",
    "_amthread\\r1.83697019872103E-16,3\\rE\\r12\\r\\r",
    "_amthread\\r112,3\\rE\\r30\\r\\r",
    "_amchamfer\\rE\\r1.83697019872103E-16,3\\r112,3\\r\\r1.6\\r",
    "CMDDIA\\r1\\r",
    "_ZOOM\\r_P\\r",
};
