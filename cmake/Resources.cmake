# Embedded resources: fills KESTREL_RESOURCE_SOURCES and defines kestrel_add_resource_dependencies.
set(KESTREL_RESOURCE_SOURCES "")
function(kestrel_add_resource_dependencies target)
endfunction()
