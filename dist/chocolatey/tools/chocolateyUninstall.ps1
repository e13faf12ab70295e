Uninstall-ChocolateyPackage -PackageName $env:ChocolateyPackageName -FileType exe `
  -File (Join-Path $env:SystemRoot 'kquninst.exe') -SilentArgs '/quiet' -ValidExitCodes @(0, 3)
