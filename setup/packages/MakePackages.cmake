# cmake -DGCAB=gcab -DOUT=bin -DWORK=dir "-DFILES=a;b;..." -P MakePackages.cmake
# One cabinet is packed, then written under each of the ten names.
set(ROWS
  "CE30/ARM_BW4" "Lumtrax.GER_CE30_ARM_BW4.CAB"
  "CE30/ARM_C12" "Lumtrax.GER_CE30_ARM_C12.CAB"
  "CE30/ARM_C16" "Lumtrax.GER_CE30_ARM_C16.CAB"
  "CE30/MIPS131_C16" "Lumtrax.GER_CE30_MIPS131_C16.CAB"
  "CE30/MIPS150_C16" "Lumtrax.GER_CE30_MIPS150_C16.CAB"
  "CE30/MIPS200_C16" "Lumtrax.GER_CE30_MIPS200_C16.CAB"
  "CE30/SH3_C12" "Lumtrax.GER_CE30_SH3_C12.CAB"
  "CE2002/ARM_BW4" "Lumtrax.GER_CE2002_ARM_BW4.CAB"
  "CE2002/ARM_C12" "Lumtrax.GER_CE2002_ARM_C12.CAB"
  "CE2002/ARM_C16" "Lumtrax.GER_CE2002_ARM_C16.CAB")

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/files)
file(COPY ${FILES} DESTINATION ${WORK}/files)
file(WRITE ${WORK}/files/package.ini
  "[Package]\r\nName=Lumtrax\r\nFolder=\\Program Files\\Lumtrax\r\nSetupLibrary=LumtraxSetup.dll\r\nExecutable=lumtrax\r\n")
file(GLOB packed ${WORK}/files/*)
list(SORT packed)
execute_process(COMMAND ${GCAB} -c -z -n ${WORK}/Lumtrax.CAB ${packed} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "gcab failed")
endif()

list(LENGTH ROWS n)
math(EXPR last "${n} - 1")
foreach(i RANGE 0 ${last} 2)
  math(EXPR j "${i} + 1")
  list(GET ROWS ${i} folder)
  list(GET ROWS ${j} cabinet)
  file(MAKE_DIRECTORY ${OUT}/${folder})
  file(COPY_FILE ${WORK}/Lumtrax.CAB ${OUT}/${folder}/${cabinet})
  file(WRITE ${OUT}/${folder}/Setup.INI
    "[CEAppManager]\r\nVersion=1.0\r\nComponent=Lumtrax\r\n\r\n[Lumtrax]\r\nDescription=Lumtrax v1.52\r\nCabFiles=${cabinet}\r\n")
endforeach()
