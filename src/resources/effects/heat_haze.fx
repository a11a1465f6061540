// Heat haze: the composed slide seen through rising hot air. A tiling distortion map, scrolled by Offset
// and tiled by bump_scale (square texels on the picture), shifts where the slide is sampled by up to
// stenght in texture units. The slide's alpha is never read (targets do not keep it); the result is
// opaque and replaces what is under the picture area.

texture SceneTex;
texture Bumpmap;
float stenght = 0.0025;
float2 Offset = {0, 0};
float2 bump_scale = {0.208, 0.208};

sampler SceneSampler = sampler_state {
  Texture = <SceneTex>;
  AddressU = CLAMP;
  AddressV = CLAMP;
  MinFilter = LINEAR;
  MagFilter = LINEAR;
  MipFilter = NONE;
};
sampler BumpSampler = sampler_state {
  Texture = <Bumpmap>;
  AddressU = WRAP;
  AddressV = WRAP;
  MinFilter = LINEAR;
  MagFilter = LINEAR;
  MipFilter = NONE;
};

float4 HazePS(float2 uv : TEXCOORD0) : COLOR0 {
  float2 d = tex2D(BumpSampler, uv * bump_scale + Offset).rg * 2 - 1;
  return float4(tex2D(SceneSampler, uv + d * stenght).rgb, 1);
}

technique BumpmapDistortLow2 {
  pass P0 {
    AlphaBlendEnable = FALSE;
    CullMode = NONE;
    ZEnable = FALSE;
    PixelShader = compile ps_2_0 HazePS();
  }
}
