#pragma once

#include <string>

// The parameter file of the Set Communication window's defaults, as the tree stands (no declaration).
inline const std::string DefaultParamTree =
    "<GeneralParameter><CAN_BR>4</CAN_BR><CAN_Type>0</CAN_Type>"
    "<ADD_IP IPB1=\"192\" IPB2=\"168\" IPB3=\"0\" IPB4=\"10\"/>"
    "<SUBNET SMB1=\"255\" SMB2=\"255\" SMB3=\"255\" SMB4=\"0\"/>"
    "<DEST DESTB1=\"192\" DESTB2=\"168\" DESTB3=\"0\" DESTB4=\"20\"/>"
    "<Port>10001</Port><Protocol>0</Protocol><Multi>0</Multi><Type_Dev>0</Type_Dev><En_Gate>0</En_Gate>"
    "<GATEWAY GATE1=\"192\" GATE2=\"168\" GATE3=\"0\" "
    "GATE4=\"1\"/><UDP_Broad>0</UDP_Broad></GeneralParameter>";
